// Case-insensitive comparison of names (parameter names, ini sections and
// keys) that respects the host code page: ASCII letters fold, while both
// bytes of a double-byte character (GBK and the like) compare exactly, so a
// trail byte that happens to be an ASCII letter is never folded.
#pragma once

#include <string_view>

bool SameNameIgnoringCase(std::string_view a, std::string_view b);
