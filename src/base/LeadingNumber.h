// Reading a number from the start of a text, the way the module reads every
// numeric parameter and setting: leading white space, an optional sign, then
// digits up to the first non-digit. A text that does not begin with a number
// gives 0; a number too large for an int is held at INT_MAX or INT_MIN.
#pragma once

#include <string_view>

int LeadingInt(std::string_view text);
