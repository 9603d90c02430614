// An IPv4 stream socket with its network event, the stand-in for a socket in
// the event-select model. Once events are selected the socket is
// non-blocking and the event collects notification bits that a wait
// (EventWait.h) reports and EnumerateEvents hands out and clears.
//
// The bits follow the rules of the original event model, which the HTTP
// client's loops depend on:
// - write readiness is reported once after events are selected on a
//   connected socket, and again only after a send would have blocked;
// - read readiness is reported again only after a receive;
// - the peer's close is reported once.
// So a closed or idle connection never makes a wait return over and over.
#pragma once

#include <cstdint>

struct pollfd;

namespace vellum::net {

class ManualEvent;

// Event bits, with the values of the original event model.
constexpr uint32_t kEventRead = 1;
constexpr uint32_t kEventWrite = 2;
constexpr uint32_t kEventConnect = 16;
constexpr uint32_t kEventClose = 32;

// Outcome of one non-blocking send or receive: the byte count (0 for an
// orderly close on receive), or -1 with the system error code.
struct IoResult
{
    int count = 0;
    int error = 0;

    bool Failed() const { return count < 0; }
    bool WouldBlock() const;
};

class EventSocket
{
public:
    EventSocket() = default;
    ~EventSocket();
    EventSocket(const EventSocket&) = delete;
    EventSocket& operator=(const EventSocket&) = delete;

    // Opens a new blocking IPv4 stream socket; false when the system has none
    // to give. An open socket is closed first.
    [[nodiscard]] bool Open();
    // Closes the socket (if open) and forgets every pending bit.
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    // Connects in blocking mode to an address in network byte order. On
    // failure the socket stays open and LastError() says why. A signalled
    // `abort` ends the attempt at once (ECANCELED); otherwise it lasts as
    // long as the system's own connect time-out.
    [[nodiscard]] bool Connect(uint32_t address, uint16_t port, const ManualEvent* abort = nullptr);

    // Binds the network event for the given bits and makes the socket
    // non-blocking.
    [[nodiscard]] bool SelectEvents(uint32_t mask);

    // Lets write readiness be reported once more, as after events were
    // selected: a layer that used up the first report (a TLS handshake)
    // hands it on to the code that sends next.
    void ReportWriteAgain() { m_writeArmed = true; }

    // Clears the pending bits without handing them out (an event reset).
    void ResetEvent() { m_pending = 0; }

    // True when bytes wait to be received now (or the peer closed), without
    // waiting and whatever the armed events.
    bool HasInput() const;

    // Returns the pending bits and clears them.
    uint32_t EnumerateEvents();
    bool HasPendingEvents() const { return m_pending != 0; }

    // With `moreFollows` the system may hold a partial packet back for the
    // next send, so a run of small sends leaves as full packets; the last
    // send of a run must pass false.
    IoResult Send(const char* data, int length, bool moreFollows = false);
    IoResult Receive(char* buffer, int size);

    // The system error code of the last failed Open or Connect.
    int LastError() const { return m_lastError; }

    // For the wait: the poll entry that watches exactly what may still raise
    // a bit (descriptor -1 when nothing can), and the translation of what
    // poll saw into bits.
    void FillPollEntry(::pollfd& entry) const;
    void TakePollResult(short revents);

private:
    short WatchedPollEvents() const;
    [[nodiscard]] int AwaitConnect(const ManualEvent& abort);

    int m_fd = -1;
    uint32_t m_mask = 0;
    uint32_t m_pending = 0;
    bool m_readArmed = false;
    bool m_writeArmed = false;
    bool m_closeReported = false;
    bool m_hungUp = false;
    int m_lastError = 0;
};

} // namespace vellum::net
