// The manual-reset event on an eventfd: its counter stays non-zero (readable)
// from Signal until Reset drains it, which is exactly manual-reset behaviour
// and lets poll wait on it next to a socket.
#include "platform/net/ManualEvent.h"

#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vellum::net {

ManualEvent::ManualEvent() : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

ManualEvent::~ManualEvent()
{
    if (m_fd >= 0)
        close(m_fd);
}

void ManualEvent::Signal()
{
    uint64_t one = 1;
    if (m_fd >= 0)
        (void)!write(m_fd, &one, sizeof one);
}

void ManualEvent::Reset()
{
    uint64_t count = 0;
    if (m_fd >= 0)
        (void)!read(m_fd, &count, sizeof count);
}

bool ManualEvent::IsSignalled() const
{
    if (m_fd < 0)
        return false;
    pollfd p{m_fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

} // namespace vellum::net
