// The waits between attempts to reach a server that went away: each twice
// the one before, up to a ceiling, and each drawn at random between half
// and one and a half times that, so that a thousand desks that lost the
// same server do not all knock again in the same second.
#pragma once

#include <chrono>
#include <random>

class Backoff
{
public:
    using Milliseconds = std::chrono::milliseconds;

    Backoff(Milliseconds first, Milliseconds ceiling);

    // The wait before the next attempt.
    Milliseconds Next();

    // After a success: the next wait is the first again.
    void Reset() { m_attempts = 0; }

    int Attempts() const { return m_attempts; }

private:
    Milliseconds m_first;
    Milliseconds m_ceiling;
    int m_attempts = 0;
    std::minstd_rand m_random;
};
