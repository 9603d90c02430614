// A throwaway PostgreSQL 15 cluster for tests that need a real server.
//
// The cluster is made on first use (initdb in a temporary folder, a free
// port on 127.0.0.1, the socket in the same folder) and stopped and removed
// by a GoogleTest global environment when the test program ends. When the
// tests run as root the server runs as the unprivileged `postgres` account,
// since PostgreSQL refuses to run as root.
#pragma once

#include <string>

namespace vellum::testing {

// A port on 127.0.0.1 that nothing listens on right now.
int FreeLoopbackPort();

// An ODBC connection string for the cluster's "postgres" database through
// psqlODBC's Unicode driver, starting the cluster when needed. Empty when
// it cannot start; PostgresStartError then says why.
const std::string& PostgresOdbcConnectString();
const std::string& PostgresStartError();

// Stops the running cluster (fast shutdown: open sessions are cut off) and
// starts it again on the same port and data; false when pg_ctl failed.
bool StopPostgres();
bool RestartPostgres();

} // namespace vellum::testing
