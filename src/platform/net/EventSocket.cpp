// The event socket on POSIX sockets. poll is level-triggered while the event
// model is edge-like, so "armed" flags decide which readiness may still turn
// into a bit; a receive or a blocked send re-arms, reporting disarms.
#include "platform/net/EventSocket.h"

#include "platform/net/ManualEvent.h"

#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vellum::net {

bool IoResult::WouldBlock() const
{
    return count < 0 && (error == EAGAIN || error == EWOULDBLOCK);
}

EventSocket::~EventSocket()
{
    Close();
}

bool EventSocket::Open()
{
    Close();
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        m_lastError = errno;
    return m_fd >= 0;
}

void EventSocket::Close()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
    m_mask = 0;
    m_pending = 0;
    m_readArmed = m_writeArmed = m_closeReported = m_hungUp = false;
}

bool EventSocket::Connect(uint32_t address, uint16_t port, const ManualEvent* abort)
{
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = address;
    int flags = fcntl(m_fd, F_GETFL);
    // Non-blocking only for the attempt, so that the abort event can end it;
    // the socket is blocking again afterwards, as a blocking connect leaves it.
    if (abort && flags >= 0)
        fcntl(m_fd, F_SETFL, flags | O_NONBLOCK);
    int rc;
    do
        rc = connect(m_fd, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    while (rc != 0 && errno == EINTR);
    int error = rc == 0 ? 0 : errno;
    if (abort && flags >= 0) {
        if (error == EINPROGRESS || error == EALREADY)
            error = AwaitConnect(*abort);
        fcntl(m_fd, F_SETFL, flags);
    }
    if (error != 0)
        m_lastError = error;
    return error == 0;
}

// Waits without a bound of its own: the system fails an attempt nobody
// answers after its SYN retries, as it would a blocking connect.
int EventSocket::AwaitConnect(const ManualEvent& abort)
{
    for (;;) {
        pollfd entries[2]{{m_fd, POLLOUT, 0}, {abort.PollDescriptor(), POLLIN, 0}};
        int n = poll(entries, 2, -1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (entries[1].revents)
            return ECANCELED;
        if (!entries[0].revents)
            continue;
        int error = 0;
        socklen_t size = sizeof error;
        if (getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
            return errno;
        return error;
    }
}

bool EventSocket::SelectEvents(uint32_t mask)
{
    int flags = m_fd >= 0 ? fcntl(m_fd, F_GETFL) : -1;
    if (flags < 0 || fcntl(m_fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        m_lastError = errno;
        return false;
    }
    m_mask = mask;
    m_pending = 0;
    // A connected socket can be written to at once: that is the one write
    // notification the model gives before any send blocks.
    m_readArmed = m_writeArmed = true;
    m_closeReported = m_hungUp = false;
    return true;
}

bool EventSocket::HasInput() const
{
    pollfd entry{m_fd, POLLIN, 0};
    return m_fd >= 0 && poll(&entry, 1, 0) == 1 && (entry.revents & (POLLIN | POLLHUP)) != 0;
}

uint32_t EventSocket::EnumerateEvents()
{
    uint32_t bits = m_pending;
    m_pending = 0;
    return bits;
}

IoResult EventSocket::Send(const char* data, int length, bool moreFollows)
{
    int flags = MSG_NOSIGNAL | (moreFollows ? MSG_MORE : 0);
    ssize_t n = send(m_fd, data, static_cast<size_t>(length), flags);
    if (n >= 0)
        return {static_cast<int>(n), 0};
    IoResult result{-1, errno};
    if (result.WouldBlock())
        m_writeArmed = true;
    return result;
}

IoResult EventSocket::Receive(char* buffer, int size)
{
    ssize_t n = recv(m_fd, buffer, static_cast<size_t>(size), 0);
    // Any receive, even one that finds nothing, lets read readiness be
    // reported again.
    m_readArmed = true;
    if (n >= 0)
        return {static_cast<int>(n), 0};
    return {-1, errno};
}

short EventSocket::WatchedPollEvents() const
{
    short events = 0;
    if (m_readArmed && (m_mask & kEventRead))
        events |= POLLIN;
    if (m_writeArmed && (m_mask & kEventWrite) && !m_hungUp)
        events |= POLLOUT;
    if (!m_closeReported && (m_mask & kEventClose))
        events |= POLLRDHUP;
    // A hung-up socket keeps polling as hung up; only pending data can
    // still matter then.
    if (m_hungUp)
        events &= POLLIN;
    return events;
}

void EventSocket::FillPollEntry(pollfd& entry) const
{
    short events = m_fd >= 0 ? WatchedPollEvents() : 0;
    entry.fd = events ? m_fd : -1;
    entry.events = events;
    entry.revents = 0;
}

void EventSocket::TakePollResult(short revents)
{
    if ((revents & POLLOUT) && m_writeArmed && (m_mask & kEventWrite)) {
        m_pending |= kEventWrite;
        m_writeArmed = false;
    }
    if (!(revents & (POLLIN | POLLRDHUP | POLLHUP | POLLERR)))
        return;
    char byte;
    ssize_t n = recv(m_fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    bool hasData = n > 0;
    bool failed = n < 0 && errno != EAGAIN && errno != EWOULDBLOCK;
    bool ended = n == 0 || failed || (revents & (POLLRDHUP | POLLHUP));
    if (hasData && m_readArmed && (m_mask & kEventRead))
        m_pending |= kEventRead;
    // Readiness with nothing to read is used up as well; only the next
    // receive may make it count again.
    m_readArmed = false;
    if (ended && !m_closeReported && (m_mask & kEventClose)) {
        m_pending |= kEventClose;
        m_closeReported = true;
    }
    if (revents & (POLLHUP | POLLERR))
        m_hungUp = true;
}

} // namespace vellum::net
