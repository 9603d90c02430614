// Text across the ODBC interface in the encoding the driver understands.
//
// Unicode drivers (psqlODBC's "w" driver, SQL Server, MySQL's "w" driver)
// take UTF-16 through the wide calls. Drivers without wide calls, such as
// the SQLite ODBC driver, speak UTF-8 through the narrow ones; unixODBC's
// own mapping of wide calls onto them loses every character above U+00FF,
// so such drivers must be called narrow. Host code page text is converted
// here, in both directions.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>

namespace vellum::db {

enum class OdbcEncoding { Utf16, Utf8 };

// Runs a statement given in the host code page.
SQLRETURN OdbcExecDirect(SQLHSTMT stmt, OdbcEncoding encoding, std::string_view hostSql);

// The name (host code page) and SQL type of one result column.
bool OdbcDescribeColumn(SQLHSTMT stmt, OdbcEncoding encoding, SQLUSMALLINT column,
                        std::string& name, SQLSMALLINT& type);

// Reads one column of the fetched row as host code page text, in pieces
// for long values. isNull tells SQL NULL apart from "".
SQLRETURN OdbcReadText(SQLHSTMT stmt, OdbcEncoding encoding, SQLUSMALLINT column, std::string& text,
                       bool& isNull);

// Every diagnostic record of a handle, one message per line, host code page.
std::string OdbcDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// Finds out which encoding a connected driver really handles: a character
// beyond Latin-1 must survive a round trip through the wide calls.
OdbcEncoding ProbeOdbcEncoding(SQLHDBC dbc);

} // namespace vellum::db
