// The wait on a socket's network event and an abort event, with a timeout in
// milliseconds. Either event may be left out.
#pragma once

#include <cstdint>

namespace vellum::net {

class EventSocket;
class ManualEvent;

enum class WaitResult { NetworkEvent, Abort, Timeout, Failed };

// Blocks until the socket has pending event bits, the abort event is
// signalled or the timeout passes. When both events are signalled the network
// event wins, as the first of the wait set. A closed socket's event is never
// signalled.
WaitResult WaitForEvents(EventSocket* socket, const ManualEvent* abort, uint32_t timeoutMs);

} // namespace vellum::net
