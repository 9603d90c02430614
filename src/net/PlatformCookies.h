// The desktop's shared cookie store, asked when a client object holds no
// cookie of its own for a site. This platform has no shared store that the
// module could read, so the answer is always empty; the call stays so the
// fallback keeps its place in the cookie rules.
#pragma once

#include <string>

std::string PlatformCookieLine(const std::string& site);
