// How many connections each client address holds right now, so that one
// address (a runaway script, a flood) cannot take every connection the
// server has and leave the other desks unanswered. Shared by the accepting
// strand and every connection's strand.
#pragma once

#include <mutex>
#include <string>
#include <unordered_map>

class AddressCounts
{
public:
    // Counts a new connection from `address` unless it already holds
    // `limit`; false (and nothing counted) then.
    bool Admit(const std::string& address, unsigned limit);

    // A connection from `address` ended.
    void Leave(const std::string& address);

private:
    std::mutex m_mutex;
    std::unordered_map<std::string, unsigned> m_counts;
};
