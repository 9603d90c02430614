// The live feed's side in the database: one libpq connection per server
// process that LISTENs on the channel of every user with a desk subscribed,
// whatever the number of desks, and hands each announcement to that user's
// subscribers only. Desks then hear about new mail without a database
// session of their own, so ten thousand desks cost the database one
// connection per feed process.
//
// The connection lives on a thread of its own. When the database goes away
// the hub connects again with a growing, jittered wait, listens again on
// every channel, and then tells every subscriber to look, since mail that
// arrived meanwhile was announced to nobody.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef struct pg_conn PGconn;

class FeedHub
{
public:
    // What a subscriber is told; called on the hub's thread, so it only
    // hands the news to its own executor.
    class Subscriber
    {
    public:
        virtual ~Subscriber() = default;
        virtual void Announce() = 0;
    };

    // `ready` is called on the hub's thread once the user's channel is
    // listened to (true), or when the database cannot be reached (false).
    using Ready = std::function<void(bool listening)>;

    explicit FeedHub(std::string connectString);
    ~FeedHub();
    FeedHub(const FeedHub&) = delete;
    FeedHub& operator=(const FeedHub&) = delete;

    void Subscribe(const std::string& user, std::weak_ptr<Subscriber> subscriber, Ready ready);
    void Unsubscribe(const std::string& user, const Subscriber* subscriber);

    uint64_t Subscribers() const { return m_subscribers; }
    uint64_t Announcements() const { return m_announcements; }
    uint64_t Reconnects() const { return m_reconnects; }

private:
    struct Entry
    {
        const Subscriber* raw; // to find it again once it is gone
        std::weak_ptr<Subscriber> subscriber;
    };
    struct Request
    {
        std::string user;
        Entry entry;
        Ready ready; // empty: the entry leaves
    };
    struct User
    {
        std::string channel; // empty until listened to
        std::vector<Entry> subscribers;
    };

    void Run();
    bool Connect();
    void Lost();
    void Wake();
    void WaitForWork(int timeoutMs);
    bool HasWork();
    void TakeRequests();
    void Join(std::vector<Request>& joining);
    bool ListenFor(const std::vector<std::string>& users);
    void Forget(const std::string& user, const Subscriber* leaving);
    void TakeNotices();
    void Tell(const User& user);
    void TellEveryone();

    std::string m_connectString;
    PGconn* m_connection = nullptr;
    bool m_perUserChannels = false;
    int m_wake = -1; // an eventfd
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex; // guards m_requests
    std::vector<Request> m_requests;
    std::map<std::string, User> m_users; // the hub thread's own
    std::map<std::string, std::string> m_channelUsers;
    std::atomic<uint64_t> m_subscribers{0};
    std::atomic<uint64_t> m_announcements{0};
    std::atomic<uint64_t> m_reconnects{0};
    std::thread m_thread;
};
