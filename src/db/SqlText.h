// Small pieces of SQL text shared by the connection and the statement
// builders: literal quoting, and finding the one table a simple select
// reads (the table a record set adds its new rows to).
#pragma once

#include <string>
#include <string_view>

namespace vellum::db {

// "'" + text with every "'" doubled + "'". Nothing else is escaped.
std::string QuoteSqlText(std::string_view text);

// The table of "select ... from TABLE [where ...|order by ...]", or "" when
// the query reads anything else (a join, a list of tables, no table).
std::string TableOfSimpleSelect(std::string_view query);

} // namespace vellum::db
