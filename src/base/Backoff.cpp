#include "base/Backoff.h"

#include <algorithm>

Backoff::Backoff(Milliseconds first, Milliseconds ceiling)
    : m_first(first), m_ceiling(ceiling), m_random(std::random_device{}())
{
}

Backoff::Milliseconds Backoff::Next()
{
    const int doublings = std::min(m_attempts, 20);
    ++m_attempts;
    const long long planned = std::min<long long>(m_first.count() << doublings, m_ceiling.count());
    std::uniform_real_distribution<double> jitter(0.5, 1.5);
    return Milliseconds(static_cast<long long>(static_cast<double>(planned) * jitter(m_random)));
}
