#include "AddressCounts.h"

bool AddressCounts::Admit(const std::string& address, unsigned limit)
{
    std::lock_guard lock(m_mutex);
    unsigned& count = m_counts[address];
    if (count >= limit)
        return false;
    ++count;
    return true;
}

// An address with no connection left is forgotten, so the table holds only
// the addresses connected now.
void AddressCounts::Leave(const std::string& address)
{
    std::lock_guard lock(m_mutex);
    auto found = m_counts.find(address);
    if (found != m_counts.end() && --found->second == 0)
        m_counts.erase(found);
}
