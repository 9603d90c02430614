// Reading the one connection string form the module itself understands.
//
// "Provider=SQLite;Data Source=PATH" selects the embedded SQLite backend;
// every other string belongs to ODBC and is passed on without being read.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vellum::db {

// The value of one "Name=Value" item of a ";"-separated connection string.
// Names compare without regard to case and blanks around names and values
// are ignored; nothing when the name is absent.
std::optional<std::string> ConnectionStringValue(std::string_view connect, std::string_view name);

// True when the string asks for the SQLite provider.
bool IsSqliteConnectionString(std::string_view connect);

} // namespace vellum::db
