// The one throwaway PostgreSQL 15 cluster (support/PgCluster.h) that a
// test program's tests share: made on first use, with fsync off, and
// stopped and removed when the test program ends.
#pragma once

#include "support/PgCluster.h"

#include <string>

namespace vellum::testing {

// An ODBC connection string for the cluster's "postgres" database through
// psqlODBC's Unicode driver, starting the cluster when needed. Empty when
// it cannot start; PostgresStartError then says why.
const std::string& PostgresOdbcConnectString();
const std::string& PostgresStartError();

// libpq's connection string for the same database; empty as above.
std::string PostgresConnInfo();

// Stops the running cluster (as PgCluster::Pause) and starts it again on
// the same port and data; false when pg_ctl failed.
bool StopPostgres(bool immediate = false);
bool RestartPostgres();

} // namespace vellum::testing
