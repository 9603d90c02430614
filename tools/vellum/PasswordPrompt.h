// A new user's password, read without its ever being an argument: from a
// file only its owner may read, or typed at the terminal without echo.
#pragma once

#include <optional>
#include <string>

// With `file` non-empty, its first line; else, on a terminal, the password
// typed twice without echo; else one line of standard input (for scripts).
// Nothing, with the reason in `why`, when none could be read or the two
// typed differ.
std::optional<std::string> ReadNewPassword(const std::string& file, const std::string& user,
                                           std::string& why);
