// ASCII case folding for names: SQL identifiers, field names and connection
// string items compare without regard to letter case, byte for byte
// otherwise (so GBK names compare exactly).
#pragma once

#include <string_view>

namespace vellum::db {

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// True when text begins with prefix, ignoring ASCII case.
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

} // namespace vellum::db
