#include "support/TestDatabases.h"

#include "db/Connection.h"
#include "support/OdbcDrivers.h"
#include "support/Pgbouncer.h"
#include "support/PostgresServer.h"
#include "support/ScratchFolder.h"

namespace vellum::testing {

namespace {

// Every test on the shared cluster starts from an empty public schema.
std::string FreshPostgres(std::string& error)
{
    const std::string& connect = PostgresOdbcConnectString();
    if (connect.empty()) {
        error = PostgresStartError();
        return std::string();
    }
    db::Connection connection;
    if (!connection.Open(connect) || !connection.Execute("drop schema if exists public cascade") ||
        !connection.Execute("create schema public")) {
        error = connection.LastError();
        return std::string();
    }
    return connect;
}

} // namespace

std::string TestDatabaseName(TestDatabase database)
{
    switch (database) {
    case TestDatabase::Sqlite:
        return "Sqlite";
    case TestDatabase::SqliteOdbc:
        return "SqliteOdbc";
    case TestDatabase::Postgres:
        return "Postgres";
    case TestDatabase::PostgresPooled:
        return "PostgresPooled";
    }
    return "Unknown";
}

std::string FreshDatabase(TestDatabase database, const ScratchFolder& folder, std::string& error)
{
    switch (database) {
    case TestDatabase::Sqlite:
        return "Provider=SQLite;Data Source=" + folder.Path() + "mail.db";
    case TestDatabase::SqliteOdbc:
        if (OdbcDriverPath("libsqlite3odbc.so").empty()) {
            error = "the SQLite ODBC driver (libsqliteodbc) is not installed";
            return std::string();
        }
        return SqliteOdbcConnectString(folder.Path() + "mail.db");
    case TestDatabase::Postgres:
        return FreshPostgres(error);
    case TestDatabase::PostgresPooled:
        if (FreshPostgres(error).empty())
            return std::string();
        if (PooledPostgresOdbcConnectString().empty())
            error = PgbouncerStartError();
        return PooledPostgresOdbcConnectString();
    }
    return std::string();
}

} // namespace vellum::testing
