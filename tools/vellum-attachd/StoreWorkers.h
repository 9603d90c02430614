// The threads that do a database store's work, so that no I/O thread ever
// waits on the database: a fixed number of them, each using at most one of
// the store's connections at a time, so the store never holds more
// connections than there are workers. Work waits in one queue; work that
// waited longer than the allowed time is told so instead of run, and its
// client is asked to come back (the database is busy, not the file gone).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

struct StoreFigures;

class StoreWorkers
{
public:
    // `inTime` is false when the work waited past the limit and must not
    // touch the store.
    using Work = std::function<void(bool inTime)>;

    StoreWorkers(unsigned count, std::chrono::milliseconds waitLimit);
    ~StoreWorkers();

    void Post(Work work);

    // Adds the workers' use and waits to the store's figures.
    void AddFigures(StoreFigures& figures) const;

private:
    struct Queued
    {
        Work work;
        std::chrono::steady_clock::time_point posted;
    };

    void Run();

    std::chrono::milliseconds m_waitLimit;
    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Queued> m_queue;
    bool m_stopping = false;
    unsigned m_count;
    unsigned m_busy = 0;
    uint64_t m_waited = 0;   // work that found every worker busy
    uint64_t m_timedOut = 0; // work that waited too long and was refused
    std::vector<std::thread> m_threads;
};
