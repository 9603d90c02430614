// Where a statement ends, as each database reads the text. Statements are
// built as text with quoted literals, so a connection runs exactly one
// statement per call: were a value ever to end its literal early, what
// follows could otherwise run as a second statement. The lexer knows each
// dialect's literals, quoted names and comments; the databases are set up so
// that a doubled quote is the only escape (MySQL and MariaDB with
// NO_BACKSLASH_ESCAPES, PostgreSQL with standard_conforming_strings on).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vellum::db {

enum class SqlDialect {
    Sqlite,    // '' and "" and `` and [], trigger bodies hold ";"
    Postgres,  // dollar quotes, E'' strings with backslashes, nested comments
    MySql,     // # comments; backslashes plain (NO_BACKSLASH_ESCAPES)
    SqlServer, // [] names
    Other,
};

// The error of a call whose text holds a second statement.
inline constexpr const char* kOneStatementOnly =
    "only one statement may run per call, and this text holds a second one";

// The dialect of a DBMS product name as ODBC reports it.
SqlDialect DialectOfDbms(std::string_view dbmsName);

// True when `sql` holds one statement at most: after the ";" that ends the
// first one only blanks and comments follow.
bool HoldsOneStatement(std::string_view sql, SqlDialect dialect);

// The values of the string literals of `sql`, as the database reads them
// (doubled quotes undone), in order.
std::vector<std::string> StringLiterals(std::string_view sql, SqlDialect dialect);

} // namespace vellum::db
