// Whether this process already holds a file open. SQLite keeps its locks as
// POSIX advisory locks, and POSIX drops every lock a process holds on a file
// the moment that process closes any descriptor of it. So a file the process
// holds open (a database, its -wal and -shm files) must never be opened and
// closed again by path elsewhere in the process: another process would then
// take the database for unused, checkpoint it and delete its write-ahead log
// under our feet, and every later write of ours would be lost to the others.
#pragma once

#include <string>

namespace vellum::fs {

// True when the path (UTF-8) names a regular file that one of this process's
// descriptors already refers to, under whatever name. Only stat and fstat
// are used: the check itself opens nothing by the path.
bool IsHeldOpenByThisProcess(const std::string& path);

} // namespace vellum::fs
