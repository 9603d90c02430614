// The cluster is driven with the PostgreSQL tools through the shell; their
// output goes to log files in the cluster folder, which the start error
// quotes when something goes wrong.
#include "support/PostgresServer.h"

#include "support/OdbcDrivers.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <pwd.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

namespace vellum::testing {

int FreeLoopbackPort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

namespace {

constexpr const char* kPostgresBin = "/usr/lib/postgresql/15/bin/";

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class Cluster
{
public:
    ~Cluster() { Stop(); }

    const std::string& ConnectString()
    {
        if (!m_tried) {
            m_tried = true;
            Start();
        }
        return m_connect;
    }

    const std::string& Error() const { return m_error; }

    bool Pause()
    {
        if (!m_running)
            return false;
        m_running = Run(Tool("pg_ctl") + " -D " + m_folder + "data -m fast -w stop >>" + m_folder +
                        "stop.log 2>&1") != 0;
        return !m_running;
    }

    bool Resume()
    {
        m_running = !m_running && !m_folder.empty() && Run(m_startCommand) == 0;
        return m_running;
    }

    void Stop()
    {
        if (m_folder.empty())
            return;
        if (m_running)
            Run(Tool("pg_ctl") + " -D " + m_folder + "data -m immediate -w stop >>" + m_folder +
                "stop.log 2>&1");
        m_running = false;
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
        m_folder.clear();
    }

private:
    void Start()
    {
        std::string driver = OdbcDriverPath("psqlodbcw.so");
        if (driver.empty())
            return Fail("psqlODBC (psqlodbcw.so) is not installed");
        std::string pattern = "/tmp/vellum-pg-XXXXXX";
        if (!mkdtemp(pattern.data()))
            return Fail("cannot make a folder for the cluster");
        m_folder = pattern + "/";
        if (!HandToServerAccount())
            return Fail("cannot give " + m_folder + " to the postgres account");
        if (Run(Tool("initdb") + " -D " + m_folder + "data -A trust -U postgres -E UTF8" +
                " --locale=C.UTF-8 >" + m_folder + "initdb.log 2>&1") != 0)
            return Fail("initdb failed: " + ReadFile(m_folder + "initdb.log"));
        int port = FreeLoopbackPort();
        // fsync off: the cluster is thrown away, and tests wait less.
        std::string options = "-p " + std::to_string(port) + " -k " + m_folder +
                              " -c listen_addresses=127.0.0.1 -c fsync=off";
        m_startCommand = Tool("pg_ctl") + " -D " + m_folder + "data -l " + m_folder +
                         "server.log -w -o '" + options + "' start >" + m_folder + "start.log 2>&1";
        if (Run(m_startCommand) != 0)
            return Fail("pg_ctl start failed: " + ReadFile(m_folder + "server.log"));
        m_running = true;
        m_connect = "Driver=" + driver + ";Server=127.0.0.1;Port=" + std::to_string(port) +
                    ";Database=postgres;Uid=postgres;Pwd=;";
    }

    void Fail(const std::string& error) { m_error = error; }

    // PostgreSQL will not run as root: root hands the folder to the
    // package's postgres account and runs the tools as that account.
    bool HandToServerAccount()
    {
        if (geteuid() != 0)
            return true;
        passwd* account = getpwnam("postgres");
        return account && chown(m_folder.c_str(), account->pw_uid, account->pw_gid) == 0;
    }

    static std::string Tool(const std::string& name)
    {
        std::string tool = kPostgresBin + name;
        return geteuid() == 0 ? "runuser -u postgres -- " + tool : tool;
    }

    static int Run(const std::string& command) { return std::system(command.c_str()); }

    bool m_tried = false;
    bool m_running = false;
    std::string m_folder;
    std::string m_connect;
    std::string m_error;
    std::string m_startCommand;
};

Cluster& TheCluster()
{
    static Cluster cluster;
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

const std::string& PostgresStartError()
{
    return TheCluster().Error();
}

bool StopPostgres()
{
    return TheCluster().Pause();
}

bool RestartPostgres()
{
    return TheCluster().Resume();
}

} // namespace vellum::testing
