// Process and thread identifiers on Linux (getpid, gettid).
#include "platform/net/ProcessIds.h"

#include <unistd.h>

namespace vellum::net {

uint32_t CurrentProcessId()
{
    return static_cast<uint32_t>(getpid());
}

uint32_t CurrentThreadId()
{
    return static_cast<uint32_t>(gettid());
}

} // namespace vellum::net
