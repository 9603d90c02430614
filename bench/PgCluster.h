// A throwaway PostgreSQL 15 cluster for the benchmarks that need a real
// server: initdb in a temporary folder, a free port on 127.0.0.1, stopped and
// removed when the object goes. As root the server runs as the package's
// postgres account, since PostgreSQL refuses to run as root. Unlike the
// tests' cluster it keeps fsync on unless told otherwise: office figures
// are measured with a durable server.
#pragma once

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <glob.h>
#include <netinet/in.h>
#include <pwd.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace vellum::bench {

class PgCluster
{
public:
    // serverOptions: extra "-c name=value" settings for postgres.
    explicit PgCluster(const std::string& serverOptions = "")
    {
        std::string pattern = "/tmp/vellum-bench-pg-XXXXXX";
        if (!mkdtemp(pattern.data()))
            return;
        m_folder = pattern + "/";
        if (geteuid() == 0) {
            passwd* account = getpwnam("postgres");
            if (!account || chown(m_folder.c_str(), account->pw_uid, account->pw_gid) != 0)
                return;
        }
        if (Run(Tool("initdb") + " -D " + m_folder + "data -A trust -U postgres -E UTF8" +
                " --locale=C.UTF-8 >" + m_folder + "initdb.log 2>&1") != 0)
            return;
        m_port = FreeLoopbackPort();
        std::string options = "-p " + std::to_string(m_port) + " -k " + m_folder +
                              " -c listen_addresses=127.0.0.1 " + serverOptions;
        if (Run(Tool("pg_ctl") + " -D " + m_folder + "data -l " + m_folder + "server.log -w -o '" +
                options + "' start >/dev/null 2>&1") != 0)
            return;
        m_running = true;
    }

    ~PgCluster()
    {
        if (m_running)
            Run(Tool("pg_ctl") + " -D " + m_folder + "data -m immediate -w stop >/dev/null 2>&1");
        if (!m_folder.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_folder, ignored);
        }
    }

    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    bool Running() const { return m_running; }
    int Port() const { return m_port; }
    const std::string& Folder() const { return m_folder; }

    // The server's process id, for reading its CPU time.
    int PostmasterPid() const
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

    // The module's connection string through psqlODBC; empty without it.
    std::string OdbcConnect() const
    {
        std::string driver = PsqlOdbcDriver();
        if (driver.empty() || !m_running)
            return {};
        return "Driver=" + driver + ";Server=127.0.0.1;Port=" + std::to_string(m_port) +
               ";Database=postgres;Uid=postgres;Pwd=;";
    }

    // A psql command line on the cluster, for the references.
    std::string Psql(const std::string& arguments) const
    {
        return Tool("psql") + " -X -q -h 127.0.0.1 -p " + std::to_string(m_port) +
               " -U postgres -d postgres " + arguments;
    }

    static std::string Tool(const std::string& name)
    {
        std::string tool = "/usr/lib/postgresql/15/bin/" + name;
        return geteuid() == 0 ? "runuser -u postgres -- " + tool : tool;
    }

private:
    static int Run(const std::string& command) { return std::system(command.c_str()); }

    static std::string PsqlOdbcDriver()
    {
        glob_t found{};
        std::string path;
        if (glob("/usr/lib/*/odbc/psqlodbcw.so", 0, nullptr, &found) == 0 && found.gl_pathc > 0)
            path = found.gl_pathv[0];
        globfree(&found);
        return path;
    }

    static int FreeLoopbackPort()
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

    std::string m_folder;
    int m_port = 0;
    bool m_running = false;
};

} // namespace vellum::bench
