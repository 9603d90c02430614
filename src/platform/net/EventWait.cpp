// The wait is one poll over the socket (only what it may still report, see
// EventSocket) and the abort event's descriptor. A wake-up that raises no
// bit polls again for the rest of the time, so nothing spins or sleeps.
#include "platform/net/EventWait.h"

#include "platform/net/EventSocket.h"
#include "platform/net/ManualEvent.h"

#include <cerrno>
#include <chrono>
#include <poll.h>

namespace vellum::net {

WaitResult WaitForEvents(EventSocket* socket, const ManualEvent* abort, uint32_t timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (socket && socket->HasPendingEvents())
            return WaitResult::NetworkEvent;
        pollfd entries[2]{{-1, 0, 0}, {-1, 0, 0}};
        if (socket)
            socket->FillPollEntry(entries[0]);
        if (abort)
            entries[1] = {abort->PollDescriptor(), POLLIN, 0};
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        int n = poll(entries, 2, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return WaitResult::Failed;
        // The socket is looked at before the abort event: the network event
        // comes first in the wait set.
        if (socket && entries[0].revents)
            socket->TakePollResult(entries[0].revents);
        if (socket && socket->HasPendingEvents())
            return WaitResult::NetworkEvent;
        if (entries[1].revents)
            return WaitResult::Abort;
        if (n == 0)
            return WaitResult::Timeout;
    }
}

} // namespace vellum::net
