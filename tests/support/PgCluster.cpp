#include "support/PgCluster.h"

#include "support/OdbcDrivers.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <pwd.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

namespace vellum::testing {

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int Run(const std::string& command)
{
    return std::system(command.c_str());
}

// PostgreSQL will not run as root: root hands the folder to the package's
// postgres account, which then runs the tools.
bool HandToServerAccount(const std::string& folder)
{
    if (geteuid() != 0)
        return true;
    passwd* account = getpwnam("postgres");
    return account && chown(folder.c_str(), account->pw_uid, account->pw_gid) == 0;
}

} // namespace

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

std::string WithPort(std::string connect, int port)
{
    size_t start = connect.find("Port=");
    size_t end = connect.find(';', start);
    return connect.replace(start, end - start, "Port=" + std::to_string(port));
}

PgCluster::PgCluster(const std::string& serverOptions)
{
    Start(serverOptions);
}

PgCluster::~PgCluster()
{
    if (m_running)
        Run(Tool("pg_ctl") + " -D " + m_folder + "data -m immediate -w stop >>" + m_folder +
            "stop.log 2>&1");
    if (!m_folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
}

void PgCluster::Start(const std::string& serverOptions)
{
    std::string pattern = "/tmp/vellum-pg-XXXXXX";
    if (!mkdtemp(pattern.data()))
        return Fail("cannot make a folder for the cluster");
    m_folder = pattern + "/";
    if (!HandToServerAccount(m_folder))
        return Fail("cannot give " + m_folder + " to the postgres account");
    if (Run(Tool("initdb") + " -D " + m_folder + "data -A trust -U postgres -E UTF8" +
            " --locale=C.UTF-8 >" + m_folder + "initdb.log 2>&1") != 0)
        return Fail("initdb failed: " + ReadFile(m_folder + "initdb.log"));
    m_port = FreeLoopbackPort();
    std::string options = "-p " + std::to_string(m_port) + " -k " + m_folder +
                          " -c listen_addresses=127.0.0.1 " + serverOptions;
    m_startCommand = Tool("pg_ctl") + " -D " + m_folder + "data -l " + m_folder +
                     "server.log -w -o '" + options + "' start >" + m_folder + "start.log 2>&1";
    if (Run(m_startCommand) != 0)
        return Fail("pg_ctl start failed: " + ReadFile(m_folder + "server.log"));
    m_running = true;
}

void PgCluster::Fail(const std::string& error)
{
    m_error = error;
}

int PgCluster::PostmasterPid() const
{
    std::FILE* file = std::fopen((m_folder + "data/postmaster.pid").c_str(), "r");
    int pid = 0;
    if (file) {
        if (std::fscanf(file, "%d", &pid) != 1)
            pid = 0;
        std::fclose(file);
    }
    return pid;
}

std::string PgCluster::OdbcConnect() const
{
    std::string driver = OdbcDriverPath("psqlodbcw.so");
    if (driver.empty() || !m_running)
        return {};
    return "Driver=" + driver + ";Server=127.0.0.1;Port=" + std::to_string(m_port) +
           ";Database=postgres;Uid=postgres;Pwd=;";
}

std::string PgCluster::Psql(const std::string& arguments) const
{
    return Tool("psql") + " -X -q -h 127.0.0.1 -p " + std::to_string(m_port) +
           " -U postgres -d postgres " + arguments;
}

bool PgCluster::WriteClientRules(const char* rules)
{
    std::ofstream file(m_folder + "data/pg_hba.conf", std::ios::trunc);
    file << "local all all trust\n" << rules;
    file.close();
    return bool(file);
}

bool PgCluster::RequirePasswords()
{
    return WriteClientRules("host all postgres 127.0.0.1/32 trust\n"
                            "host all all 127.0.0.1/32 scram-sha-256\n") &&
           Run(Tool("pg_ctl") + " -D " + m_folder + "data reload >>" + m_folder +
               "stop.log 2>&1") == 0;
}

// The server reads its key only when the key is its account's and no one
// else's: the copies in the data folder are made so.
bool PgCluster::ServeTlsOnly(const std::string& certificate, const std::string& key)
{
    const std::string data = m_folder + "data/";
    const std::string install = geteuid() == 0 ? "install -m 600 -o postgres " : "install -m 600 ";
    std::ofstream(data + "postgresql.conf", std::ios::app) << "ssl = on\n";
    return Run(install + certificate + " " + data + "server.crt && " + install + key + " " + data +
               "server.key") == 0 &&
           WriteClientRules("hostssl all all 127.0.0.1/32 trust\n") && Pause() && Resume();
}

bool PgCluster::Pause(bool immediate)
{
    if (!m_running)
        return false;
    m_running =
        Run(Tool("pg_ctl") + " -D " + m_folder + "data -m " + (immediate ? "immediate" : "fast") +
            " -w stop >>" + m_folder + "stop.log 2>&1") != 0;
    return !m_running;
}

bool PgCluster::Resume()
{
    m_running = !m_running && !m_startCommand.empty() && Run(m_startCommand) == 0;
    return m_running;
}

std::string PgCluster::Tool(const std::string& name)
{
    std::string tool = "/usr/lib/postgresql/15/bin/" + name;
    return geteuid() == 0 ? "runuser -u postgres -- " + tool : tool;
}

} // namespace vellum::testing
