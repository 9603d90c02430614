// Plain sockets rather than the HTTP client: the client reads one answer
// to its end, while a feed's answer never ends. Only the head is read here
// with a deadline; events are counted as whole lines arrive, and anything
// but a "data:" line (the server's ": " comments that keep the connection
// alive) is skipped.
#include "net/FeedListener.h"

#include "base/IniDocument.h"
#include "base/TextHelpers.h"
#include "base/TicketHeader.h"
#include "net/HttpClient.h"
#include "net/HttpUrl.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <netdb.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kHeadLimit = 16 * 1024;
constexpr size_t kLineLimit = 64 * 1024;

int MillisecondsLeft(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<long>(0, left.count()));
}

bool WaitFor(int socket, short event, Clock::time_point deadline)
{
    pollfd wait{socket, event, 0};
    int ready;
    do
        ready = poll(&wait, 1, MillisecondsLeft(deadline));
    while (ready < 0 && errno == EINTR);
    return ready > 0;
}

} // namespace

std::vector<std::string> FeedServerAddresses()
{
    CIniDocument ini;
    ini.Load(GetModuleDir() + "data/tolvan.ini");
    std::string listed = ini.Get(".", "FeedServer").value_or("");
    std::vector<std::string> addresses;
    size_t start = 0;
    while ((start = listed.find_first_not_of(" ,\t", start)) != std::string::npos) {
        size_t end = listed.find_first_of(" ,\t", start);
        addresses.push_back(listed.substr(start, end - start));
        start = end;
    }
    return addresses;
}

FeedListener::~FeedListener()
{
    m_ssl.reset();
    if (m_socket >= 0)
        close(m_socket);
}

bool FeedListener::Fail(std::string message)
{
    m_ssl.reset();
    if (m_socket >= 0)
        close(m_socket);
    m_socket = -1;
    m_error = std::move(message);
    return false;
}

bool FeedListener::Open(const std::string& baseUrl, const std::string& user,
                        const std::string& ticket)
{
    HttpUrlParts parts;
    if (!SplitHttpUrl(baseUrl, parts))
        return Fail("not an http address: " + baseUrl);
    if (!Connect(parts.server, parts.port) || (parts.secure && !Handshake(parts.server)))
        return false;
    std::string path = parts.object.empty() ? "/" : parts.object.substr(0, parts.object.find('?'));
    if (path.back() != '/')
        path += '/';
    std::string request = "GET " + path + "feed?UserName=" + UrlEncode(user) +
                          " HTTP/1.1\r\nHost: " + parts.server +
                          "\r\nAccept: text/event-stream\r\n";
    if (!ticket.empty())
        request += std::string(kTicketHeader) + ": " + ticket + "\r\n";
    request += "\r\n";
    if (!SendAll(request))
        return Fail("the feed server " + baseUrl + " does not take the request");
    return ReadHead();
}

bool FeedListener::Handshake(const std::string& host)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kOpenTimeoutMs);
    std::string words;
    m_ssl = NewVerifyingClient(host, ConfiguredCaFile(), words);
    if (!m_ssl || SSL_set_fd(m_ssl.get(), m_socket) != 1)
        return Fail(words.empty() ? "the feed's TLS session cannot be set up" : words);
    for (;;) {
        int result = SSL_connect(m_ssl.get());
        if (result == 1)
            return true;
        int error = SSL_get_error(m_ssl.get(), result);
        short wanted = error == SSL_ERROR_WANT_READ    ? POLLIN
                       : error == SSL_ERROR_WANT_WRITE ? POLLOUT
                                                       : 0;
        bool refused = false;
        if (!wanted)
            return Fail(HandshakeFailureWords(m_ssl.get(), host, refused));
        if (!WaitFor(m_socket, wanted, deadline))
            return Fail("the feed server did not finish the TLS handshake");
    }
}

bool FeedListener::SendAll(const std::string& bytes)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kOpenTimeoutMs);
    for (size_t sent = 0; sent < bytes.size();) {
        long n;
        if (m_ssl) {
            n = SSL_write(m_ssl.get(), bytes.data() + sent, static_cast<int>(bytes.size() - sent));
            int error = n > 0 ? SSL_ERROR_NONE : SSL_get_error(m_ssl.get(), static_cast<int>(n));
            errno = error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE ? EAGAIN : EIO;
        } else {
            n = send(m_socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        }
        if (n > 0)
            sent += static_cast<size_t>(n);
        else if (!(errno == EAGAIN || errno == EINTR) || !WaitFor(m_socket, POLLOUT, deadline))
            return false;
    }
    return true;
}

// As recv: a count, 0 at the end, or -1 with errno (EAGAIN while nothing
// is there to read yet).
long FeedListener::Receive(char* buffer, size_t size)
{
    if (!m_ssl)
        return recv(m_socket, buffer, size, 0);
    int received = SSL_read(m_ssl.get(), buffer, static_cast<int>(size));
    if (received > 0)
        return received;
    int error = SSL_get_error(m_ssl.get(), received);
    if (error == SSL_ERROR_ZERO_RETURN)
        return 0;
    ERR_clear_error();
    errno = error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE ? EAGAIN : EIO;
    return -1;
}

bool FeedListener::Connect(const std::string& host, unsigned short port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return Fail("cannot find the feed server " + host);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kOpenTimeoutMs);
    int error = ETIMEDOUT;
    for (addrinfo* address = found; address && m_socket < 0; address = address->ai_next) {
        int socket = ::socket(address->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (socket < 0)
            continue;
        int made = connect(socket, address->ai_addr, address->ai_addrlen);
        socklen_t size = sizeof error;
        if (made == 0 ||
            (errno == EINPROGRESS && WaitFor(socket, POLLOUT, deadline) &&
             getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0))
            m_socket = socket;
        else
            close(socket);
    }
    freeaddrinfo(found);
    if (m_socket < 0)
        return Fail("cannot connect to the feed server " + host + ":" + std::to_string(port) +
                    ": " + std::strerror(error));
    return true;
}

bool FeedListener::ReadHead()
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kOpenTimeoutMs);
    std::string head;
    size_t end;
    while ((end = head.find("\r\n\r\n")) == std::string::npos) {
        char piece[2048];
        long n = Receive(piece, sizeof piece);
        if (n > 0) {
            head.append(piece, static_cast<size_t>(n));
            if (head.size() > kHeadLimit)
                return Fail("the feed server's answer is not a feed");
        } else if (n == 0 || !(errno == EAGAIN || errno == EINTR) ||
                   !WaitFor(m_socket, POLLIN, deadline)) {
            return Fail("the feed server did not answer");
        }
    }
    // "HTTP/1.1 200 OK": the code is the second word.
    std::string status = head.substr(0, head.find("\r\n"));
    if (status.compare(0, 5, "HTTP/") != 0 || status.find(" 200") != status.find(' '))
        return Fail("the feed server refused: " + status);
    m_pending = head.substr(end + 4);
    return true;
}

bool FeedListener::TakeNotices(int& count)
{
    count = 0;
    if (m_socket < 0)
        return Fail(m_error.empty() ? "the feed is closed" : m_error);
    while (true) {
        char piece[4096];
        long n = Receive(piece, sizeof piece);
        if (n > 0) {
            m_pending.append(piece, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        count = CountEvents();
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        return Fail(n == 0 ? "the feed server closed the feed" : std::strerror(errno));
    }
}

int FeedListener::CountEvents()
{
    int events = 0;
    size_t start = 0, end;
    while ((end = m_pending.find('\n', start)) != std::string::npos) {
        if (m_pending.compare(start, 5, "data:") == 0)
            ++events;
        start = end + 1;
    }
    m_pending.erase(0, start);
    if (m_pending.size() > kLineLimit)
        m_pending.clear();
    return events;
}
