// Debian's pgbouncer in transaction mode in front of the throwaway cluster
// (PgbouncerProcess):
// the pooler an office puts between many hosts and one PostgreSQL server.
// Every transaction may run on another server connection, and the pool has
// a single one, so a session that keeps a transaction open while another
// waits hangs, and a value read outside the transaction that made it may
// belong to another session.
#pragma once

#include <string>

namespace vellum::testing {

// An ODBC connection string to the cluster's "postgres" database through
// the pooler, starting the cluster and the pooler when needed. The pooler
// runs as a child of the test program and ends with it. Empty when either
// cannot start; PgbouncerStartError then says why.
const std::string& PooledPostgresOdbcConnectString();
const std::string& PgbouncerStartError();

} // namespace vellum::testing
