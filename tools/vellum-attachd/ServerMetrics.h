// The server's figures, served at GET /metrics in Prometheus's text format
// so that an office watches the server with the monitoring it already runs:
// connections open, accepted and refused, answers by status, bytes in and
// out, and the database connections of a PostgreSQL store. Counters are
// atomics bumped from every connection's strand.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

struct StoreFigures;

enum class Refusal { ServerFull, PerAddress };

class ServerMetrics
{
public:
    void Accepted() { ++m_accepted; }
    void Refused(Refusal why) { ++m_refused[static_cast<size_t>(why)]; }
    void Answered(unsigned status);
    void Received(uint64_t bytes) { m_received += bytes; }
    void Sent(uint64_t bytes) { m_sent += bytes; }

    // Every figure, with `open` connections open now.
    std::string Exposition(unsigned open, const StoreFigures& store) const;

private:
    static constexpr unsigned kFirstStatus = 100;
    static constexpr unsigned kStatuses = 500; // 100 to 599

    std::atomic<uint64_t> m_accepted{0};
    std::array<std::atomic<uint64_t>, 2> m_refused{};
    std::array<std::atomic<uint64_t>, kStatuses> m_answers{};
    std::atomic<uint64_t> m_received{0};
    std::atomic<uint64_t> m_sent{0};
};
