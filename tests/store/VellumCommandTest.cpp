// The database subcommands of the vellum tool, run as a process: exact
// output on stdout, messages on stderr, exit status 1 for every failure.
#include "StoreFixture.h"
#include "support/RunCommand.h"

namespace {

using vellum::testing::CommandResult;
using vellum::testing::RunCommand;

const std::string kVellum = VELLUM_BINARY_DIR "/tools/vellum/vellum";

CommandResult Vellum(const std::vector<std::string>& args)
{
    return RunCommand(kVellum, args, {{"VELLUM_CODEPAGE", "UTF-8"}});
}

class VellumCommandTest : public StoreTest
{
};

TEST_P(VellumCommandTest, InitDbSqlAndMaxKeyWriteAndListADraft)
{
    auto init = Vellum({"init-db", "--connect", m_connect});
    EXPECT_EQ(init.exitCode, 0) << init.err;
    EXPECT_EQ(init.out, "");

    auto insert = Vellum({"sql", "--connect", m_connect,
                          "insert into SystemMail(MailFrom,MailTime) values "
                          "('li','2010-05-03 14:22:01')"});
    EXPECT_EQ(insert.exitCode, 0) << insert.err;
    EXPECT_EQ(insert.out, "");

    auto maxkey = Vellum({"maxkey", "--connect", m_connect, "SystemMail"});
    EXPECT_EQ(maxkey.exitCode, 0) << maxkey.err;
    EXPECT_EQ(maxkey.out, "1\n");

    auto update = Vellum({"sql", "--connect", m_connect,
                          "update SystemMail set Status =0,Subject ='邮件 It''s',MailTo ='wang' "
                          "where KeyId=1"});
    EXPECT_EQ(update.exitCode, 0) << update.err;

    auto list = Vellum({"sql", "--connect", m_connect,
                        " \n\tSeLeCt KeyId,MailFrom,MailTo,Subject,Body from SystemMail "
                        "where Status=0 and MailFrom='li' order by keyid desc"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    // PostgreSQL folds unquoted names to lower case; SQLite keeps them.
    std::string header = GetParam() == vellum::testing::TestDatabase::Postgres
                             ? "keyid\tmailfrom\tmailto\tsubject\tbody\n"
                             : "KeyId\tMailFrom\tMailTo\tSubject\tBody\n";
    EXPECT_EQ(list.out, header + "1\tli\twang\t邮件 It's\t\n");

    auto empty = Vellum({"sql", "--connect", m_connect, "select KeyId from SystemMailCopy"});
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_EQ(empty.out.find('\n'), empty.out.size() - 1) << "a header and no row";
}

TEST_P(VellumCommandTest, FailuresGoToStderrWithExitStatusOne)
{
    auto badSql = Vellum({"sql", "--connect", m_connect, "delete from NoSuchTable"});
    EXPECT_EQ(badSql.exitCode, 1);
    EXPECT_EQ(badSql.out, "");
    EXPECT_EQ(badSql.err.rfind("vellum: ", 0), 0u) << badSql.err;
    EXPECT_NE(badSql.err.find(GetParam() == vellum::testing::TestDatabase::Postgres
                                  ? "nosuchtable"
                                  : "NoSuchTable"),
              std::string::npos)
        << badSql.err;

    auto badQuery = Vellum({"sql", "--connect", m_connect, "select * from NoSuchTable"});
    EXPECT_EQ(badQuery.exitCode, 1);
    EXPECT_EQ(badQuery.out, "");

    auto missing = Vellum({"maxkey", "--connect", m_connect, "NoSuchTable"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "-1\n");
    EXPECT_FALSE(missing.err.empty());

    auto noConnect = Vellum({"sql", "select 1"});
    EXPECT_EQ(noConnect.exitCode, 1);
    EXPECT_NE(noConnect.err.find("--connect"), std::string::npos);

    auto tooMany = Vellum({"sql", "--connect", m_connect, "select 1", "extra"});
    EXPECT_EQ(tooMany.exitCode, 1);
}

VELLUM_ON_EVERY_DATABASE(VellumCommandTest);

TEST(VellumCommandHelpTest, EverySubcommandExplainsItself)
{
    for (const char* name : {"init-db", "sql", "maxkey"}) {
        CommandResult usage = Vellum({name, "--help"});
        EXPECT_EQ(usage.exitCode, 0) << name;
        EXPECT_EQ(
            usage.out.rfind(std::string("usage: vellum ") + name + " --connect CONNECTION", 0), 0u)
            << usage.out;
    }
}

TEST(VellumCommandOpenTest, AnUnopenableDatabaseFails)
{
    CommandResult result =
        Vellum({"init-db", "--connect", "Provider=SQLite;Data Source=/no/such/dir/x.db"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("unable to open database file"), std::string::npos);
}

} // namespace
