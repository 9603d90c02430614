// No shared cookie store here: see the header.
#include "net/PlatformCookies.h"

std::string PlatformCookieLine(const std::string& /*site*/)
{
    return {};
}
