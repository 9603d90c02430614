// Every database other than the embedded SQLite file is reached through
// unixODBC: the connection string goes to SQLDriverConnect unchanged.
#pragma once

#include "db/Backend.h"

#include <memory>
#include <string>

namespace vellum::db {

// Connects with an ODBC connection string given in the host code page. Null
// with the driver's (or driver manager's) message in error on failure.
std::unique_ptr<Backend> OpenOdbcBackend(const std::string& connect, std::string& error);

} // namespace vellum::db
