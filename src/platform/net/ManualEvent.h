// A manual-reset event: once signalled it stays signalled until reset, and
// any number of waits see it. The event socket's abort event is one; it is
// the only object another thread may touch while a transfer runs.
#pragma once

namespace vellum::net {

class ManualEvent
{
public:
    ManualEvent();
    ~ManualEvent();
    ManualEvent(const ManualEvent&) = delete;
    ManualEvent& operator=(const ManualEvent&) = delete;

    // Safe from any thread.
    void Signal();
    void Reset();
    bool IsSignalled() const;

    // A descriptor that polls readable while the event is signalled.
    int PollDescriptor() const { return m_fd; }

private:
    int m_fd;
};

} // namespace vellum::net
