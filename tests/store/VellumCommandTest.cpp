// The database subcommands of the vellum tool, run as a process: exact
// output on stdout, messages on stderr, exit status 1 for every failure.
#include "StoreFixture.h"
#include "support/RunCommand.h"
#include "support/ScratchFolder.h"

#include <algorithm>
#include <csignal>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using vellum::testing::CommandResult;
using vellum::testing::RunCommand;

const std::string kVellum = VELLUM_BINARY_DIR "/tools/vellum/vellum";

CommandResult Vellum(const std::vector<std::string>& args)
{
    return RunCommand(kVellum, args, {{"VELLUM_CODEPAGE", "UTF-8"}});
}

// Runs the tool, expecting success; its stdout.
std::string Succeeds(const std::vector<std::string>& args)
{
    CommandResult result = Vellum(args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return result.out;
}

// Runs the tool, expecting exit status 1.
CommandResult Fails(const std::vector<std::string>& args)
{
    CommandResult result = Vellum(args);
    EXPECT_EQ(result.exitCode, 1) << args.back();
    return result;
}

using VellumCommandTest = StoreTest;

TEST_P(VellumCommandTest, InitDbSqlAndMaxKeyWriteAndListADraft)
{
    EXPECT_EQ(Succeeds({"init-db", "--connect", m_connect}), "");
    EXPECT_EQ(Succeeds({"sql", "--connect", m_connect,
                        "insert into SystemMail(MailFrom,MailTime) values "
                        "('li','2010-05-03 14:22:01')"}),
              "");
    EXPECT_EQ(Succeeds({"maxkey", "--connect", m_connect, "SystemMail"}), "1\n");
    Succeeds({"sql", "--connect", m_connect,
              "update SystemMail set Status =0,Subject ='邮件 It''s',MailTo ='wang' "
              "where KeyId=1"});
    std::string list = Succeeds({"sql", "--connect", m_connect,
                                 " \n\tSeLeCt KeyId,MailFrom,MailTo,Subject,Body from SystemMail "
                                 "where Status=0 and MailFrom='li' order by keyid desc"});
    // PostgreSQL folds unquoted names to lower case; SQLite keeps them.
    std::string header = GetParam() == vellum::testing::TestDatabase::Postgres
                             ? "keyid\tmailfrom\tmailto\tsubject\tbody\n"
                             : "KeyId\tMailFrom\tMailTo\tSubject\tBody\n";
    EXPECT_EQ(list, header + "1\tli\twang\t邮件 It's\t\n");

    std::string empty =
        Succeeds({"sql", "--connect", m_connect, "select KeyId from SystemMailCopy"});
    EXPECT_EQ(empty.find('\n'), empty.size() - 1) << "a header and no row";
}

TEST_P(VellumCommandTest, FailuresGoToStderrWithExitStatusOne)
{
    auto badSql = Fails({"sql", "--connect", m_connect, "delete from NoSuchTable"});
    EXPECT_EQ(badSql.out, "");
    EXPECT_EQ(badSql.err.rfind("vellum: ", 0), 0u) << badSql.err;
    EXPECT_NE(badSql.err.find(GetParam() == vellum::testing::TestDatabase::Postgres
                                  ? "nosuchtable"
                                  : "NoSuchTable"),
              std::string::npos)
        << badSql.err;

    EXPECT_EQ(Fails({"sql", "--connect", m_connect, "select * from NoSuchTable"}).out, "");
    auto missing = Fails({"maxkey", "--connect", m_connect, "NoSuchTable"});
    EXPECT_EQ(missing.out, "-1\n");
    EXPECT_FALSE(missing.err.empty());
    EXPECT_NE(Fails({"sql", "select 1"}).err.find("--connect"), std::string::npos);
    Fails({"sql", "--connect", m_connect, "select 1", "extra"});
}

VELLUM_ON_EVERY_DATABASE(VellumCommandTest);

TEST(VellumCommandHelpTest, EverySubcommandExplainsItself)
{
    for (const char* name : {"init-db", "sql", "maxkey"}) {
        std::string usage = Succeeds({name, "--help"});
        EXPECT_EQ(usage.rfind(std::string("usage: vellum ") + name + " --connect CONNECTION", 0),
                  0u)
            << usage;
    }
}

TEST(VellumCommandOpenTest, AnUnopenableDatabaseFails)
{
    CommandResult result =
        Fails({"init-db", "--connect", "Provider=SQLite;Data Source=/no/such/dir/x.db"});
    EXPECT_NE(result.err.find("unable to open database file"), std::string::npos);

    CommandResult secret =
        Fails({"sql", "--connect", "Driver={No Such Driver};Uid=li;Pwd=s3cret;", "select 1"});
    EXPECT_EQ(secret.err.find("s3cret"), std::string::npos) << secret.err;
    EXPECT_NE(secret.err.find("Pwd=***"), std::string::npos) << secret.err;
}

// A password kept off the command line: in a file only its owner reads, or
// in the environment; one given there anyway is masked in the process list
// while the command runs.
TEST(VellumCommandOpenTest, PasswordsStayOutOfTheProcessList)
{
    vellum::testing::ScratchFolder folder;
    const std::string connect = "Provider=SQLite;Data Source=" + folder.Path() + "mail.db";
    const std::string file = folder.Path() + "connect";
    std::ofstream(file) << connect << "\n";
    ASSERT_EQ(chmod(file.c_str(), 0644), 0);
    CommandResult readable = Fails({"init-db", "--connect-file", file});
    EXPECT_NE(readable.err.find("chmod 600"), std::string::npos) << readable.err;
    ASSERT_EQ(chmod(file.c_str(), 0600), 0);
    EXPECT_EQ(Succeeds({"init-db", "--connect-file", file}), "");
    CommandResult fromEnvironment =
        RunCommand(kVellum, {"maxkey", "SystemMail"},
                   {{"VELLUM_CODEPAGE", "UTF-8"}, {"VELLUM_CONNECT", connect}});
    EXPECT_EQ(fromEnvironment.out, "0\n") << fromEnvironment.err;

    pid_t waiting = vellum::testing::StartCommand(kVellum,
                                                  {"sql", "--connect",
                                                   "Driver={No Such Driver};Uid=li;Pwd=s3cret;",
                                                   "--wait", "5", "select 1"},
                                                  {});
    std::string shown;
    for (int i = 0; i < 100 && shown.find("Pwd=*") == std::string::npos; ++i, usleep(20 * 1000)) {
        std::ifstream cmdline("/proc/" + std::to_string(waiting) + "/cmdline");
        shown.assign(std::istreambuf_iterator<char>(cmdline), {});
    }
    kill(waiting, SIGTERM);
    waitpid(waiting, nullptr, 0);
    EXPECT_EQ(shown.find("s3cret"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Pwd=******;"), std::string::npos) << shown;
}

// Names that differ only in bytes the code page cannot read would meet as
// one on the database's side; they are refused before anything runs, and so
// is a code page the system does not know.
TEST(VellumCommandOpenTest, UndecodableUserNamesAndUnknownCodePagesAreRefused)
{
    for (const char* name : {"bob\xc3", "bob\xff", "bob\xfe", "a\xC0\xBC"}) {
        CommandResult result = Fails(
            {"list", "--connect", "Provider=SQLite;Data Source=/no/x.db", "--user", name, "inbox"});
        EXPECT_NE(result.err.find("--user: the name holds bytes"), std::string::npos) << result.err;
    }
    CommandResult unknown =
        RunCommand(kVellum, {"sql", "--help"}, {{"VELLUM_CODEPAGE", "NO-SUCH-PAGE"}});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("NO-SUCH-PAGE"), std::string::npos) << unknown.err;
}

// A mail to li printed once, as it arrives, and nothing for anyone else's
// or for what was there before.
TEST_P(VellumCommandTest, WatchPrintsEachNewMailOfItsUserOnce)
{
    auto send = [&](const char* from, const char* to, const char* subject) {
        EXPECT_EQ(Vellum({"send", "--connect", m_connect, "--user", from, "--to", to, "--subject",
                          subject})
                      .exitCode,
                  0);
    };
    send("wang", "li", "before");
    const std::string lines = m_folder.Path() + "watch.txt";
    pid_t watch = vellum::testing::StartCommand(
        "/bin/sh",
        {"-c", "exec \"$0\" watch --connect \"$1\" --user li >\"$2\"", kVellum, m_connect, lines},
        {{"VELLUM_CODEPAGE", "UTF-8"}});
    usleep(1500 * 1000); // it has read where li's inbox stands
    send("zhao", "li,wang", "第一");
    send("wang", "zhao", "not li's");
    send("wang", "li", "second");
    std::string printed;
    for (int i = 0; i < 80 && std::count(printed.begin(), printed.end(), '\n') < 2; ++i) {
        usleep(100 * 1000);
        std::ifstream file(lines);
        printed.assign(std::istreambuf_iterator<char>(file), {});
    }
    kill(watch, SIGTERM);
    waitpid(watch, nullptr, 0);
    EXPECT_EQ(printed, "2\tzhao\t第一\n5\twang\tsecond\n");
}

} // namespace
