// Reading the one connection string form the module itself understands.
//
// "Provider=SQLite;Data Source=PATH" selects the embedded SQLite backend;
// every other string belongs to ODBC and is passed on without being read,
// except that the values of its password items are found, to be hidden
// wherever a string or a driver's message is shown.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vellum::db {

// The value of one "Name=Value" item of a ";"-separated connection string.
// Names compare without regard to case and blanks around names and values
// are ignored; nothing when the name is absent.
std::optional<std::string> ConnectionStringValue(std::string_view connect, std::string_view name);

// The string with the value of every password item (Pwd=, Password=)
// replaced by "***", fit for a message or a log line.
std::string WithoutPassword(std::string_view connect);

// The text with every password value of the connection string in it
// replaced by "***": a driver's message may quote the string it was given.
std::string HidingPasswordsOf(std::string_view connect, std::string text);

// Overwrites, in place and at the same length, every password value of the
// connection string with "*": for a program's own arguments, which other
// users of the machine read in /proc/PID/cmdline.
void MaskPasswordsInPlace(char* connect);

// True when the string asks for the SQLite provider.
bool IsSqliteConnectionString(std::string_view connect);

} // namespace vellum::db
