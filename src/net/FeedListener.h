// The desk's end of the attachment server's live feed: one long-lived
// GET of the server's "feed" page, answered with server-sent events, one
// "data:" event each time the desk's user may have new mail. The desk then
// reads its inbox on its own session as usual; the feed carries no mail.
// Opening blocks for at most a few seconds; afterwards the owner waits on
// the socket like on a database listener. An https feed is verified as
// every https request is (httpclient.ini's CAFile beside the system's
// store), so a desk's ticket never crosses the network in clear.
#pragma once

#include "db/NoticeSource.h"
#include "net/TlsSession.h"

#include <string>
#include <vector>

// The live feed's servers: FeedServer in the module home's
// "data/tolvan.ini" section ".", one or more base addresses separated by
// spaces or commas (several feed processes, tried in turn); empty when none
// is set, and a desk then listens on a database connection of its own.
std::vector<std::string> FeedServerAddresses();

class FeedListener : public vellum::db::NoticeSource
{
public:
    static constexpr int kOpenTimeoutMs = 5000;

    FeedListener() = default;
    ~FeedListener() override;
    FeedListener(const FeedListener&) = delete;
    FeedListener& operator=(const FeedListener&) = delete;

    // Subscribes at the server whose base address is `baseUrl` (as
    // HttpServer in tolvan.ini, ending in "/") for `user`, with `ticket`
    // when the server asks who is asking (empty otherwise). True once the
    // server answered that it listens; false with the reason in LastError.
    [[nodiscard]] bool Open(const std::string& baseUrl, const std::string& user,
                            const std::string& ticket);

    int SocketDescriptor() const override { return m_socket; }
    [[nodiscard]] bool TakeNotices(int& count) override;
    const std::string& LastError() const override { return m_error; }

private:
    bool Fail(std::string message);
    bool Connect(const std::string& host, unsigned short port);
    bool Handshake(const std::string& host);
    bool SendAll(const std::string& bytes);
    long Receive(char* buffer, size_t size);
    bool ReadHead();
    int CountEvents();

    int m_socket = -1;
    TlsClient m_ssl{nullptr, nullptr}; // over m_socket, for https
    std::string m_pending;             // the start of a line not yet complete
    std::string m_error;
};
