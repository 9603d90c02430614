// Sending and listing through Debian's pgbouncer in transaction mode, the
// pooler an office puts between many hosts and one PostgreSQL server: every
// transaction may run on another server connection, so a key read back
// outside the transaction of its insert would name some other session's
// row. Two senders share a pool of one server connection here.
#include "MailDbTest.h"
#include "base/IniDocument.h"
#include "mail/MailSender.h"
#include "platform/db/ConnectionString.h"
#include "platform/text/CodePage.h"
#include "support/PostgresServer.h"
#include "support/RunCommand.h"

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <fstream>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using vellum::testing::FreeLoopbackPort;
using vellum::testing::TestDatabase;

// The item "Name=value;" of a connection string replaced by a new value.
std::string WithItem(std::string connect, const std::string& name, const std::string& value)
{
    size_t start = connect.find(name + "=");
    size_t end = connect.find(';', start);
    return connect.replace(start, end - start, name + "=" + value);
}

// pgbouncer in the foreground as a child, in transaction mode, one server
// connection per pool. It refuses to run as root, so root runs it as the
// postgres account.
class Pgbouncer
{
public:
    Pgbouncer(const std::string& folder, const std::string& serverPort)
    {
        m_port = FreeLoopbackPort();
        std::ofstream(folder + "users.txt") << "\"postgres\" \"\"\n";
        std::ofstream(folder + "pgbouncer.ini")
            << "[databases]\npostgres = host=127.0.0.1 port=" << serverPort
            << " dbname=postgres\n[pgbouncer]\nlisten_addr = 127.0.0.1\nlisten_port = " << m_port
            << "\nunix_socket_dir =\nauth_type = trust\nauth_file = " << folder
            << "users.txt\npool_mode = transaction\ndefault_pool_size = 1\n"
               "ignore_startup_parameters = extra_float_digits\nlogfile = "
            << folder << "pgbouncer.log\n";
        passwd* account = geteuid() == 0 ? getpwnam("postgres") : nullptr;
        if (account)
            chown(folder.c_str(), account->pw_uid, account->pw_gid);
        m_pid = fork();
        if (m_pid == 0) {
            if (account && (setgid(account->pw_gid) != 0 || setuid(account->pw_uid) != 0))
                _exit(127);
            execl("/usr/sbin/pgbouncer", "pgbouncer", "-q", (folder + "pgbouncer.ini").c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Pgbouncer()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }

    int Port() const { return m_port; }

private:
    int m_port = 0;
    pid_t m_pid = -1;
};

class PooledSendTest : public MailDbTest
{
};

TEST_P(PooledSendTest, SendsListsAndReadsThroughPgbouncerInTransactionMode)
{
    if (access("/usr/sbin/pgbouncer", X_OK) != 0)
        GTEST_SKIP() << "pgbouncer is not installed";
    Pgbouncer pooler(m_folder.Path(),
                     vellum::db::ConnectionStringValue(m_connect, "Port").value_or(""));
    std::string pooled = WithItem(m_connect, "Port", std::to_string(pooler.Port()));
    CDbSession probe;
    for (int i = 0; i < 100 && !probe.Open(pooled.c_str()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(probe.GetState(), 1) << probe.GetLastErrorText();

    // Two senders at once through one server connection: each key read
    // back names the sender's own rows.
    constexpr int kSends = 10;
    std::vector<std::string> wrong[2];
    std::vector<std::thread> senders;
    for (int s = 0; s < 2; ++s) {
        senders.emplace_back([&, s] {
            CDbSession session;
            if (!session.Open(pooled.c_str())) {
                wrong[s].push_back("open: " + session.GetLastErrorText());
                return;
            }
            std::string user = "user" + std::to_string(s);
            for (int i = 0; i < kSends; ++i) {
                int key = -1;
                CIniDocument exchange;
                MailFields fields;
                fields.mailTo = "a;b";
                fields.subject = user + "-" + std::to_string(i);
                MailSender sender(&session, user, key, exchange, [&](const std::string& text) {
                    if (text != vellum::text::FromUtf8("邮件已经发送"))
                        wrong[s].push_back(text);
                });
                if (sender.Send(fields) != SendOutcome::Sent)
                    wrong[s].push_back("send " + fields.subject + " failed");
                std::string draft = Rows(session, "select MailFrom, Subject from SystemMail "
                                                  "where keyid=" +
                                                      std::to_string(key));
                std::string copy = Rows(session, "select MailFrom, Subject from SystemMailCopy "
                                                 "where keyid=" +
                                                     std::to_string(sender.CopyKey()));
                std::string expected = user + "|" + fields.subject + "\n";
                if (draft != expected || copy != expected)
                    wrong[s].push_back(fields.subject + ": draft " + draft + ", copy " + copy);
            }
        });
    }
    for (std::thread& sender : senders)
        sender.join();
    EXPECT_TRUE(wrong[0].empty()) << wrong[0].front();
    EXPECT_TRUE(wrong[1].empty()) << wrong[1].front();
    EXPECT_EQ(Rows("select count(*) from SystemMailNotify n join SystemMailCopy c on "
                   "n.MailId=c.KeyId and n.Subject=c.Subject"),
              std::to_string(2 * 2 * kSends) + "\n");

    auto listed = vellum::testing::RunCommand(VELLUM_BINARY_DIR "/tools/vellum/vellum",
                                              {"list", "inbox", "--connect", pooled, "--user", "a"},
                                              {{"VELLUM_CODEPAGE", "UTF-8"}});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 1 + 2 * kSends);
}

INSTANTIATE_TEST_SUITE_P(Databases, PooledSendTest, ::testing::Values(TestDatabase::Postgres),
                         StoreTestName);

} // namespace
