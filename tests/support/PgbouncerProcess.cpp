// pgbouncer refuses to run as root, so root runs it as the postgres
// account; it dies with the program that started it.
#include "support/PgbouncerProcess.h"

#include "support/PgCluster.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vellum::testing {

namespace {

constexpr const char* kPgbouncer = "/usr/sbin/pgbouncer";

bool Accepts(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool accepted = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    return accepted;
}

} // namespace

PgbouncerProcess::PgbouncerProcess(const std::string& serverPort, int poolSize)
{
    if (access(kPgbouncer, X_OK) != 0) {
        m_error = "pgbouncer is not installed";
        return;
    }
    Start(serverPort, poolSize);
    for (int i = 0; i < 200 && m_pid > 0 && !Accepts(m_port); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    if (m_pid <= 0 || !Accepts(m_port))
        m_error = "pgbouncer did not start; see " + m_folder + "pgbouncer.log";
}

PgbouncerProcess::~PgbouncerProcess()
{
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    if (!m_folder.empty())
        std::filesystem::remove_all(m_folder);
}

void PgbouncerProcess::Start(const std::string& serverPort, int poolSize)
{
    char pattern[] = "/tmp/vellum-pgbouncer-XXXXXX";
    if (!mkdtemp(pattern))
        return;
    m_folder = std::string(pattern) + "/";
    m_port = FreeLoopbackPort();
    std::ofstream(m_folder + "users.txt") << "\"postgres\" \"\"\n";
    std::ofstream(m_folder + "pgbouncer.ini")
        << "[databases]\npostgres = host=127.0.0.1 port=" << serverPort
        << " dbname=postgres\n[pgbouncer]\nlisten_addr = 127.0.0.1\nlisten_port = " << m_port
        << "\nunix_socket_dir =\nauth_type = trust\nauth_file = " << m_folder
        << "users.txt\npool_mode = transaction\ndefault_pool_size = " << poolSize
        << "\nmax_client_conn = 20000\nignore_startup_parameters = extra_float_digits\n"
           "logfile = "
        << m_folder << "pgbouncer.log\n";
    passwd* account = geteuid() == 0 ? getpwnam("postgres") : nullptr;
    if (account && chown(m_folder.c_str(), account->pw_uid, account->pw_gid) != 0)
        return;
    std::string ini = m_folder + "pgbouncer.ini";
    m_pid = fork();
    if (m_pid == 0) {
        if (account && (setgid(account->pw_gid) != 0 || setuid(account->pw_uid) != 0))
            _exit(127);
        // After the change of account, which clears the setting.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        execl(kPgbouncer, "pgbouncer", "-q", ini.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
}

} // namespace vellum::testing
