// Debian's pgbouncer in transaction mode before a PostgreSQL server on
// 127.0.0.1, as a child of this program that ends with it: the pooler an
// office puts between many hosts and one server. Every transaction may run
// on another server connection.
#pragma once

#include <string>
#include <sys/types.h>

namespace vellum::testing {

class PgbouncerProcess
{
public:
    // Pools the server's "postgres" database for the postgres account
    // (trusted) with `poolSize` server connections; Port() is 0 when it did
    // not start, and Error() says why.
    PgbouncerProcess(const std::string& serverPort, int poolSize);
    ~PgbouncerProcess();
    PgbouncerProcess(const PgbouncerProcess&) = delete;
    PgbouncerProcess& operator=(const PgbouncerProcess&) = delete;

    int Port() const { return m_error.empty() ? m_port : 0; }
    const std::string& Error() const { return m_error; }

private:
    void Start(const std::string& serverPort, int poolSize);

    std::string m_folder, m_error;
    int m_port = 0;
    pid_t m_pid = -1;
};

} // namespace vellum::testing
