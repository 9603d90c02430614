// Test peer plumbing: a listening socket on 127.0.0.1 with a free port, and
// small blocking helpers for the accepted connections. Used by the event
// socket tests and by the HTTP client's scripted servers.
#pragma once

#include <cstdint>
#include <string>

namespace vellum::testing {

class LoopbackListener
{
public:
    LoopbackListener();
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    uint16_t Port() const { return m_port; }
    // The next connection, or -1 when none comes within the time.
    int Accept(int timeoutMs = 5000);

private:
    int m_fd = -1;
    uint16_t m_port = 0;
};

// Writes everything (blocking); false when the peer went away.
bool WriteAll(int fd, const std::string& bytes);

// Reads until `marker` has been seen, the peer closes or the time is up;
// returns everything read.
std::string ReadUntil(int fd, const std::string& marker, int timeoutMs = 5000);

// Reads exactly `count` more bytes (less when the peer closes or time runs out).
std::string ReadCount(int fd, size_t count, int timeoutMs = 5000);

// Closes the descriptor; with `reset` the peer gets a reset instead of an
// orderly close.
void CloseConnection(int fd, bool reset = false);

// A free TCP port on 127.0.0.1 at this moment (for servers started as
// processes).
uint16_t FreePort();

} // namespace vellum::testing
