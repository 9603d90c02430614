// Connection strings hold passwords, and a program's arguments are readable
// by every user of the machine (/proc/PID/cmdline). So the programs also
// take them from a file only its owner may read, or from the environment.
#pragma once

#include <optional>
#include <string>

// The first line of `path` (without its line end), when the file is a
// regular file that neither its group nor others may read; otherwise
// nothing, with the reason in `why`.
std::optional<std::string> ReadSecretFile(const std::string& path, std::string& why);
