// Where the ODBC drivers the tests use live, so connection strings can name
// the driver library itself and need no odbcinst.ini registration.
#pragma once

#include <string>

namespace vellum::testing {

// The full path of an ODBC driver library in the usual Debian folders, or
// "" when it is not installed.
std::string OdbcDriverPath(const std::string& library);

// An ODBC connection string for an SQLite file through libsqlite3odbc.
std::string SqliteOdbcConnectString(const std::string& databasePath);

} // namespace vellum::testing
