#include "StoreWorkers.h"

#include "AttachmentStore.h"

StoreWorkers::StoreWorkers(unsigned count, std::chrono::milliseconds waitLimit)
    : m_waitLimit(waitLimit), m_count(count)
{
    for (unsigned i = 0; i < count; ++i)
        m_threads.emplace_back([this] { Run(); });
}

StoreWorkers::~StoreWorkers()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_ready.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void StoreWorkers::Post(Work work)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_busy + m_queue.size() >= m_count)
            ++m_waited;
        m_queue.push_back({std::move(work), std::chrono::steady_clock::now()});
    }
    m_ready.notify_one();
}

void StoreWorkers::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_ready.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty())
            return;
        Queued next = std::move(m_queue.front());
        m_queue.pop_front();
        bool inTime = std::chrono::steady_clock::now() - next.posted <= m_waitLimit;
        if (!inTime)
            ++m_timedOut;
        ++m_busy;
        lock.unlock();
        next.work(inTime);
        next.work = nullptr; // what it holds goes before the worker counts as free
        lock.lock();
        --m_busy;
    }
}

void StoreWorkers::AddFigures(StoreFigures& figures) const
{
    std::lock_guard lock(m_mutex);
    figures.workers = m_count;
    figures.workersBusy = m_busy;
    figures.queued = m_queue.size();
    figures.waited = m_waited;
    figures.timedOut = m_timedOut;
}
