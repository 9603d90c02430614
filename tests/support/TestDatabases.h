// The databases the store tests run against: an SQLite file opened by the
// embedded backend, the same kind of file through the SQLite ODBC driver,
// and a real PostgreSQL server through psqlODBC.
#pragma once

#include <string>

namespace vellum::testing {

class ScratchFolder;

// PostgresPooled is the same cluster reached through pgbouncer in
// transaction mode (support/Pgbouncer.h).
enum class TestDatabase { Sqlite, SqliteOdbc, Postgres, PostgresPooled };

// A short name for test names: "Sqlite", "SqliteOdbc", "Postgres",
// "PostgresPooled".
std::string TestDatabaseName(TestDatabase database);

// A connection string for an empty database of that kind: a new file in the
// folder, or the throwaway cluster with its public schema emptied. Empty
// with the reason in error when the database cannot be had.
std::string FreshDatabase(TestDatabase database, const ScratchFolder& folder, std::string& error);

} // namespace vellum::testing
