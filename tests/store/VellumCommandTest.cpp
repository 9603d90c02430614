// The database subcommands of the vellum tool, run as a process: exact
// output on stdout, messages on stderr, exit status 1 for every failure.
#include "StoreFixture.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace {

struct CommandResult
{
    int status = -1;
    std::string out;
    std::string err;
};

std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class VellumCommandTest : public StoreTest
{
protected:
    CommandResult Vellum(const std::vector<std::string>& args)
    {
        std::string command = "VELLUM_CODEPAGE=UTF-8 " VELLUM_BINARY_DIR "/tools/vellum/vellum";
        for (const auto& arg : args)
            command += " " + ShellQuoted(arg);
        std::string errPath = m_folder.Path() + "stderr.txt";
        command += " 2>" + errPath;
        CommandResult result;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return result;
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof(buffer), pipe)) > 0)
            result.out.append(buffer, got);
        int status = pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream err(errPath);
        std::stringstream text;
        text << err.rdbuf();
        result.err = text.str();
        return result;
    }
};

TEST_P(VellumCommandTest, InitDbSqlAndMaxKeyWriteAndListADraft)
{
    auto init = Vellum({"init-db", "--connect", m_connect});
    EXPECT_EQ(init.status, 0) << init.err;
    EXPECT_EQ(init.out, "");

    auto insert = Vellum({"sql", "--connect", m_connect,
                          "insert into SystemMail(MailFrom,MailTime) values "
                          "('li','2010-05-03 14:22:01')"});
    EXPECT_EQ(insert.status, 0) << insert.err;
    EXPECT_EQ(insert.out, "");

    auto maxkey = Vellum({"maxkey", "--connect", m_connect, "SystemMail"});
    EXPECT_EQ(maxkey.status, 0) << maxkey.err;
    EXPECT_EQ(maxkey.out, "1\n");

    auto update = Vellum({"sql", "--connect", m_connect,
                          "update SystemMail set Status =0,Subject ='邮件 It''s',MailTo ='wang' "
                          "where KeyId=1"});
    EXPECT_EQ(update.status, 0) << update.err;

    auto list = Vellum({"sql", "--connect", m_connect,
                        " \n\tSeLeCt KeyId,MailFrom,MailTo,Subject,Body from SystemMail "
                        "where Status=0 and MailFrom='li' order by keyid desc"});
    EXPECT_EQ(list.status, 0) << list.err;
    // PostgreSQL folds unquoted names to lower case; SQLite keeps them.
    std::string header = GetParam() == vellum::testing::TestDatabase::Postgres
                             ? "keyid\tmailfrom\tmailto\tsubject\tbody\n"
                             : "KeyId\tMailFrom\tMailTo\tSubject\tBody\n";
    EXPECT_EQ(list.out, header + "1\tli\twang\t邮件 It's\t\n");

    auto empty = Vellum({"sql", "--connect", m_connect, "select KeyId from SystemMailCopy"});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out.find('\n'), empty.out.size() - 1) << "a header and no row";

    auto again = Vellum({"init-db", "--connect", m_connect});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(Vellum({"maxkey", "--connect", m_connect, "systemmail"}).out, "1\n");
}

TEST_P(VellumCommandTest, FailuresGoToStderrWithExitStatusOne)
{
    auto badSql = Vellum({"sql", "--connect", m_connect, "delete from NoSuchTable"});
    EXPECT_EQ(badSql.status, 1);
    EXPECT_EQ(badSql.out, "");
    EXPECT_EQ(badSql.err.rfind("vellum: ", 0), 0u) << badSql.err;
    EXPECT_NE(badSql.err.find(GetParam() == vellum::testing::TestDatabase::Postgres
                                  ? "nosuchtable"
                                  : "NoSuchTable"),
              std::string::npos)
        << badSql.err;

    auto badQuery = Vellum({"sql", "--connect", m_connect, "select * from NoSuchTable"});
    EXPECT_EQ(badQuery.status, 1);
    EXPECT_EQ(badQuery.out, "");

    auto missing = Vellum({"maxkey", "--connect", m_connect, "NoSuchTable"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "-1\n");
    EXPECT_FALSE(missing.err.empty());

    auto noConnect = Vellum({"sql", "select 1"});
    EXPECT_EQ(noConnect.status, 1);
    EXPECT_NE(noConnect.err.find("--connect"), std::string::npos);

    auto tooMany = Vellum({"sql", "--connect", m_connect, "select 1", "extra"});
    EXPECT_EQ(tooMany.status, 1);
}

VELLUM_ON_EVERY_DATABASE(VellumCommandTest);

TEST(VellumCommandHelpTest, EverySubcommandExplainsItself)
{
    for (const char* name : {"init-db", "sql", "maxkey"}) {
        std::string command =
            std::string(VELLUM_BINARY_DIR "/tools/vellum/vellum ") + name + " --help";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        char buffer[4096];
        size_t got = fread(buffer, 1, sizeof(buffer), pipe);
        EXPECT_EQ(WEXITSTATUS(pclose(pipe)), 0) << name;
        std::string usage(buffer, got);
        EXPECT_EQ(usage.rfind(std::string("usage: vellum ") + name + " --connect CONNECTION", 0),
                  0u)
            << usage;
    }
}

TEST(VellumCommandOpenTest, AnUnopenableDatabaseFails)
{
    std::string command = std::string(VELLUM_BINARY_DIR "/tools/vellum/vellum ") +
                          "init-db --connect 'Provider=SQLite;Data Source=/no/such/dir/x.db' "
                          "2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[4096];
    size_t got = fread(buffer, 1, sizeof(buffer), pipe);
    EXPECT_EQ(WEXITSTATUS(pclose(pipe)), 1);
    EXPECT_NE(std::string(buffer, got).find("unable to open database file"), std::string::npos);
}

} // namespace
