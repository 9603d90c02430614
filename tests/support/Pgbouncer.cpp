#include "support/Pgbouncer.h"

#include "db/ConnectionString.h"
#include "support/PgbouncerProcess.h"
#include "support/PostgresServer.h"

#include <memory>

namespace vellum::testing {

namespace {

// One server connection for the pool.
class Pooler
{
public:
    Pooler()
    {
        const std::string& direct = PostgresOdbcConnectString();
        if (direct.empty()) {
            m_error = PostgresStartError();
            return;
        }
        m_process = std::make_unique<PgbouncerProcess>(
            db::ConnectionStringValue(direct, "Port").value_or(""), 1);
        m_error = m_process->Error();
        if (m_error.empty())
            m_connect = WithPort(direct, m_process->Port());
    }

    const std::string& Connect() const { return m_connect; }
    const std::string& Error() const { return m_error; }

private:
    std::unique_ptr<PgbouncerProcess> m_process;
    std::string m_connect, m_error;
};

const Pooler& SharedPooler()
{
    static Pooler pooler;
    return pooler;
}

} // namespace

const std::string& PooledPostgresOdbcConnectString()
{
    return SharedPooler().Connect();
}

const std::string& PgbouncerStartError()
{
    return SharedPooler().Error();
}

} // namespace vellum::testing
