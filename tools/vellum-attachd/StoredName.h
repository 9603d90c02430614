// The names files are stored under. A new upload gets 32 lowercase hex
// digits (128 random bits, so a name cannot be guessed from another one),
// a "-" and the client's file name made safe, which lets the dialogs show
// what the file was called. Names of the earlier form
// ("YYYYMMDDhhmmss-xxxxxxxx" and an optional extension) keep being served.
#pragma once

#include <string>
#include <string_view>

// A fresh stored name for a file the client called `clientFileName` (often
// a whole local path, Windows or POSIX).
std::string MakeStoredName(std::string_view clientFileName);

// The last component of `clientFileName` with everything that could break
// a path, a request line, a header or a log line replaced: no separators,
// no control characters, no leading dots; letters such as Chinese are kept
// (UTF-8, or the double-byte code page the client wrote them in).
std::string SafeFileName(std::string_view clientFileName);

// True for names of either form, and only for those: a name from a request
// is used for a file only after this accepted it.
bool IsStoredName(std::string_view name);

// The ASCII part of a stored name (either form) that alone tells it from
// every other: the random digits. What follows them is the client's file
// name in the client's code page, which a database may hold converted.
std::string_view StoredNameKey(std::string_view name);
