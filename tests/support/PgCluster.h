// A throwaway PostgreSQL 15 cluster for the tests and benchmarks that need a
// real server: initdb in a temporary folder, a free port on 127.0.0.1, the
// socket in the same folder; stopped and removed when the object goes. As
// root the server runs as the package's postgres account, since PostgreSQL
// refuses to run as root. The tools run through the shell; their output
// goes to log files in the folder, which Error() quotes when a step fails.
#pragma once

#include <string>

namespace vellum::testing {

// A port on 127.0.0.1 that nothing listens on right now.
int FreeLoopbackPort();

// The connection string with its "Port=" item naming another port (a relay
// or a pooler in front of the cluster).
std::string WithPort(std::string connect, int port);

class PgCluster
{
public:
    // Starts the cluster at once. serverOptions: extra "-c name=value"
    // settings for postgres.
    explicit PgCluster(const std::string& serverOptions = "");
    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    bool Running() const { return m_running; }
    // Why the cluster is not running; empty while it is.
    const std::string& Error() const { return m_error; }
    int Port() const { return m_port; }

    // The server's process id, for reading its CPU time.
    int PostmasterPid() const;

    // The module's connection string through psqlODBC's Unicode driver;
    // empty without the driver or a running server.
    std::string OdbcConnect() const;

    // A psql command line on the cluster, for the references.
    std::string Psql(const std::string& arguments) const;

    // From now on, connections over TCP must give the role's password,
    // except the administrator's (postgres); false when the reload failed.
    bool RequirePasswords();

    // Restarts the server taking connections over TCP only through TLS,
    // with this certificate and key (PEM files, copied into the cluster);
    // false when it did not come back.
    bool ServeTlsOnly(const std::string& certificate, const std::string& key);

    // Stops the server (fast shutdown: open sessions are cut off; with
    // `immediate`, killed as in a crash, so it recovers when it starts) and
    // starts it again on the same port and data; false when pg_ctl failed.
    bool Pause(bool immediate = false);
    bool Resume();

    // A PostgreSQL program's command line, as the postgres account for root.
    static std::string Tool(const std::string& name);

private:
    void Start(const std::string& serverOptions);
    void Fail(const std::string& error);
    bool WriteClientRules(const char* rules);

    std::string m_folder;
    std::string m_startCommand;
    std::string m_error;
    int m_port = 0;
    bool m_running = false;
};

} // namespace vellum::testing
