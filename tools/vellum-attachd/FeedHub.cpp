// The hub connects only once a desk subscribes, so a server whose desks
// listen on their own costs the database nothing more. Channels are the
// ones the announcing trigger uses: a user's secret channel on a database
// with per-user access (the hub reads them as the tables' owner), else
// 'mail_' || md5(user). Announcements that reach the hub together are told
// once per user: a desk only needs to know that it should look.
#include "FeedHub.h"

#include "base/Backoff.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cstdio>
#include <poll.h>
#include <set>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

constexpr int kPollMs = 1000;

using Result = std::unique_ptr<PGresult, void (*)(PGresult*)>;

// A text[] value in PostgreSQL's array syntax.
std::string ArrayLiteral(const std::vector<std::string>& items)
{
    std::string array = "{";
    for (const std::string& item : items) {
        if (array.size() > 1)
            array += ',';
        array += '"';
        for (char c : item) {
            if (c == '"' || c == '\\')
                array += '\\';
            array += c;
        }
        array += '"';
    }
    return array + "}";
}

bool Succeeded(const Result& result)
{
    ExecStatusType status = PQresultStatus(result.get());
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

} // namespace

FeedHub::FeedHub(std::string connectString)
    : m_connectString(std::move(connectString)), m_wake(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
    m_thread = std::thread([this] { Run(); });
}

FeedHub::~FeedHub()
{
    m_stop = true;
    Wake();
    m_thread.join();
    if (m_connection)
        PQfinish(m_connection);
    close(m_wake);
}

void FeedHub::Subscribe(const std::string& user, std::weak_ptr<Subscriber> subscriber, Ready ready)
{
    {
        std::lock_guard lock(m_mutex);
        const Subscriber* raw = subscriber.lock().get();
        m_requests.push_back({user, {raw, std::move(subscriber)}, std::move(ready)});
    }
    Wake();
}

void FeedHub::Unsubscribe(const std::string& user, const Subscriber* subscriber)
{
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back({user, {subscriber, {}}, {}});
    }
    Wake();
}

void FeedHub::Wake()
{
    uint64_t one = 1;
    static_cast<void>(write(m_wake, &one, sizeof one));
}

bool FeedHub::HasWork()
{
    std::lock_guard lock(m_mutex);
    return !m_requests.empty() || !m_users.empty();
}

void FeedHub::Run()
{
    Backoff waits(std::chrono::milliseconds(250), std::chrono::seconds(10));
    bool connectedBefore = false;
    while (!m_stop) {
        if (!m_connection && HasWork()) {
            if (!Connect()) {
                TakeRequests(); // told that nothing listens now
                WaitForWork(static_cast<int>(waits.Next().count()));
                continue;
            }
            waits.Reset();
            if (connectedBefore) {
                ++m_reconnects;
                TellEveryone();
            }
            connectedBefore = true;
        }
        TakeRequests();
        WaitForWork(kPollMs);
        if (m_connection)
            TakeNotices();
    }
}

bool FeedHub::Connect()
{
    const char* keywords[] = {"connect_timeout", "dbname", nullptr};
    const char* values[] = {"5", m_connectString.c_str(), nullptr};
    m_connection = PQconnectdbParams(keywords, values, 1);
    if (PQstatus(m_connection) != CONNECTION_OK) {
        std::fprintf(stderr, "vellum-attachd: the feed cannot reach the database: %s",
                     PQerrorMessage(m_connection));
        Lost();
        return false;
    }
    Result perUser(PQexec(m_connection, "SELECT to_regclass('vellum_mail_channel') IS NOT NULL"),
                   &PQclear);
    m_perUserChannels = Succeeded(perUser) && PQntuples(perUser.get()) == 1 &&
                        PQgetvalue(perUser.get(), 0, 0)[0] == 't';
    std::vector<std::string> users;
    for (auto& [name, user] : m_users)
        users.push_back(name);
    if (!users.empty() && !ListenFor(users)) {
        Lost();
        return false;
    }
    return true;
}

void FeedHub::Lost()
{
    if (m_connection)
        PQfinish(m_connection);
    m_connection = nullptr;
    for (auto& [name, user] : m_users)
        user.channel.clear();
    m_channelUsers.clear();
}

void FeedHub::WaitForWork(int timeoutMs)
{
    pollfd waits[2] = {{m_wake, POLLIN, 0}, {-1, POLLIN, 0}};
    if (m_connection)
        waits[1].fd = PQsocket(m_connection);
    if (poll(waits, 2, timeoutMs) > 0 && (waits[0].revents & POLLIN)) {
        uint64_t count;
        static_cast<void>(read(m_wake, &count, sizeof count));
    }
}

void FeedHub::TakeRequests()
{
    std::vector<Request> requests;
    {
        std::lock_guard lock(m_mutex);
        requests.swap(m_requests);
    }
    std::vector<Request> joining;
    for (Request& request : requests) {
        if (!request.ready)
            Forget(request.user, request.entry.raw);
        else if (!m_connection)
            request.ready(false);
        else
            joining.push_back(std::move(request));
    }
    if (!joining.empty())
        Join(joining);
}

// Every subscriber is answered after one lookup of the new users' channels
// and one batch of LISTENs, however many arrived together.
void FeedHub::Join(std::vector<Request>& joining)
{
    std::vector<std::string> newUsers;
    for (Request& request : joining) {
        User& user = m_users[request.user];
        if (user.channel.empty() && user.subscribers.empty())
            newUsers.push_back(request.user);
        user.subscribers.push_back(request.entry);
        ++m_subscribers;
    }
    if (!newUsers.empty() && !ListenFor(newUsers) && PQstatus(m_connection) != CONNECTION_OK)
        Lost();
    for (Request& request : joining)
        request.ready(!m_users[request.user].channel.empty());
}

bool FeedHub::ListenFor(const std::vector<std::string>& users)
{
    const char* lookup = m_perUserChannels
                             ? "SELECT u, c.Channel FROM unnest($1::text[]) u"
                               " JOIN vellum_mail_channel c ON c.UserName = u"
                             : "SELECT u, 'mail_' || md5(u) FROM unnest($1::text[]) u";
    std::string array = ArrayLiteral(users);
    const char* values[] = {array.c_str()};
    Result channels(PQexecParams(m_connection, lookup, 1, nullptr, values, nullptr, nullptr, 0),
                    &PQclear);
    if (!Succeeded(channels)) {
        std::fprintf(stderr, "vellum-attachd: the feed cannot look up channels: %s",
                     PQerrorMessage(m_connection));
        return false;
    }
    std::string listen;
    for (int row = 0; row < PQntuples(channels.get()); ++row) {
        std::string name = PQgetvalue(channels.get(), row, 0);
        std::string channel = PQgetvalue(channels.get(), row, 1);
        char* quoted = PQescapeIdentifier(m_connection, channel.c_str(), channel.size());
        if (!quoted)
            continue;
        listen += std::string("LISTEN ") + quoted + ";";
        PQfreemem(quoted);
        m_users[name].channel = channel;
        m_channelUsers[channel] = name;
    }
    return listen.empty() || Succeeded(Result(PQexec(m_connection, listen.c_str()), &PQclear));
}

void FeedHub::Forget(const std::string& name, const Subscriber* leaving)
{
    auto found = m_users.find(name);
    if (found == m_users.end())
        return;
    std::vector<Entry>& subscribers = found->second.subscribers;
    auto gone = std::remove_if(subscribers.begin(), subscribers.end(),
                               [leaving](const Entry& entry) { return entry.raw == leaving; });
    m_subscribers -= static_cast<uint64_t>(subscribers.end() - gone);
    subscribers.erase(gone, subscribers.end());
    if (!subscribers.empty())
        return;
    const std::string channel = found->second.channel;
    m_users.erase(found);
    if (channel.empty() || !m_connection)
        return;
    m_channelUsers.erase(channel);
    if (char* quoted = PQescapeIdentifier(m_connection, channel.c_str(), channel.size())) {
        Result unlistened(PQexec(m_connection, (std::string("UNLISTEN ") + quoted).c_str()),
                          &PQclear);
        PQfreemem(quoted);
    }
}

void FeedHub::TakeNotices()
{
    if (PQconsumeInput(m_connection) != 1 || PQstatus(m_connection) != CONNECTION_OK) {
        std::fprintf(stderr, "vellum-attachd: the feed lost the database: %s",
                     PQerrorMessage(m_connection));
        return Lost();
    }
    std::set<std::string> announced;
    while (PGnotify* notice = PQnotifies(m_connection)) {
        auto user = m_channelUsers.find(notice->relname);
        if (user != m_channelUsers.end())
            announced.insert(user->second);
        PQfreemem(notice);
    }
    for (const std::string& name : announced)
        Tell(m_users[name]);
}

void FeedHub::Tell(const User& user)
{
    for (const Entry& entry : user.subscribers) {
        if (std::shared_ptr<Subscriber> subscriber = entry.subscriber.lock()) {
            subscriber->Announce();
            ++m_announcements;
        }
    }
}

void FeedHub::TellEveryone()
{
    for (const auto& [name, user] : m_users)
        Tell(user);
}
