// The shared cluster is made on the first ask and stopped by a GoogleTest
// global environment when the test program ends.
#include "support/PostgresServer.h"

#include "support/OdbcDrivers.h"
#include "support/PgCluster.h"

#include <gtest/gtest.h>

#include <memory>

namespace vellum::testing {

namespace {

class SharedCluster
{
public:
    const std::string& ConnectString()
    {
        if (!m_tried) {
            m_tried = true;
            Start();
        }
        return m_connect;
    }

    const std::string& Error() const { return m_error; }
    bool Pause(bool immediate) { return m_cluster && m_cluster->Pause(immediate); }
    bool Resume() { return m_cluster && m_cluster->Resume(); }
    void Stop() { m_cluster.reset(); }

private:
    void Start()
    {
        if (OdbcDriverPath("psqlodbcw.so").empty()) {
            m_error = "psqlODBC (psqlodbcw.so) is not installed";
            return;
        }
        // fsync off: the cluster is thrown away, and tests wait less.
        m_cluster = std::make_unique<PgCluster>("-c fsync=off");
        m_error = m_cluster->Error();
        m_connect = m_cluster->OdbcConnect();
    }

    bool m_tried = false;
    std::unique_ptr<PgCluster> m_cluster;
    std::string m_connect;
    std::string m_error;
};

SharedCluster& TheCluster()
{
    static SharedCluster cluster;
    return cluster;
}

class ClusterEnvironment : public ::testing::Environment
{
public:
    void TearDown() override { TheCluster().Stop(); }
};

[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ClusterEnvironment);

} // namespace

const std::string& PostgresOdbcConnectString()
{
    return TheCluster().ConnectString();
}

std::string PostgresConnInfo()
{
    const std::string& odbc = PostgresOdbcConnectString();
    size_t at = odbc.find("Port=");
    if (at == std::string::npos)
        return {};
    return "host=127.0.0.1 dbname=postgres user=postgres port=" +
           odbc.substr(at + 5, odbc.find(';', at) - at - 5);
}

const std::string& PostgresStartError()
{
    return TheCluster().Error();
}

bool StopPostgres(bool immediate)
{
    return TheCluster().Pause(immediate);
}

bool RestartPostgres()
{
    return TheCluster().Resume();
}

} // namespace vellum::testing
