// The embedded default database: an SQLite file opened in WAL mode with a
// busy timeout, so that several host processes can share one file.
#pragma once

#include "db/Backend.h"

#include <memory>
#include <string>

namespace vellum::db {

// How long a statement waits for another connection's write lock before it
// fails with "database is locked".
inline constexpr int kSqliteBusyTimeoutMs = 10000;

// Opens (creating when missing) the SQLite file at path, given in the host
// code page. Null with the reason in error on failure.
std::unique_ptr<Backend> OpenSqliteBackend(const std::string& path, std::string& error);

} // namespace vellum::db
