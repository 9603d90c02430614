// `vellum list` on a SQLite file: the four folders, searches and failures.
#include "FolderTestHome.h"
#include "platform/text/CodePage.h"
#include "support/RunCommand.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using vellum::testing::RunCommand;
using vellum::text::FromUtf8;

class ListCommand : public FolderTestHome
{
protected:
    void SetUp() override
    {
        FolderTestHome::SetUp();
        Run("insert into SystemMail (MailFrom, MailTo, Subject, MailTime, Attachment, Status) "
            "values ('li', 'wang', 'draft one', '2026-03-01 08:00:00', '', 0),"
            " ('li', 'wang;zhao', 'report O''Neil', '2026-03-02 08:00:00', 'r.doc', 1),"
            " ('li', 'zhao', 'lunch', '2026-03-03 08:00:00', '', 1),"
            " ('zhao', 'li', 'not mine', '2026-03-04 08:00:00', 'x', 1)");
        Run("insert into SystemMailNotify (MailFrom, MailTo, Subject, MailId, MailTime, Status) "
            "values ('li', 'wang', 'report', 7, '2026-03-05 09:00:00', 0),"
            " ('zhao', 'wang', 'read it', 8, '2026-03-06 09:00:00', 1),"
            " ('li', 'zhao', 'other user', 9, '2026-03-07 09:00:00', 0)");
    }

    vellum::testing::CommandResult List(std::vector<std::string> args)
    {
        args.insert(args.end(), {"--connect", Connect()});
        return RunCommand(VELLUM_CLI, args, {{"VELLUM_HOME", m_home.Path()}});
    }
};

TEST_F(ListCommand, PrintsEachFolderWithTitlesAndRowsNewestFirst)
{
    const std::string mailTitles = FromUtf8("序号\t附件\t收件人\t主题\t时间\t\n");
    const struct
    {
        const char* folder;
        const char* user;
        std::string out;
    } cases[] = {
        {"drafts", "li", mailTitles + "1\t\twang\tdraft one\t2026-03-01 08:00:00\t\n"},
        {"sent", "li",
         mailTitles + "3\t\tzhao\tlunch\t2026-03-03 08:00:00\t\n"
                      "2\t@\twang;zhao\treport O'Neil\t2026-03-02 08:00:00\tr.doc\n"},
        {"inbox", "wang",
         FromUtf8("序号\t\t发件人\t主题\t\t\n") + "2\t8\tzhao\tread it\t2026-03-06 09:00:00\t1\n"
                                                  "1\t7\tli\treport\t2026-03-05 09:00:00\t0\n"},
        {"notify", "zhao",
         FromUtf8("序号\t#\t发件人\t主题\t时间\n") + "3\t9\tli\tother user\t2026-03-07 09:00:00\n"},
    };
    for (const auto& c : cases) {
        auto listed = List({"list", c.folder, "--user", c.user});
        EXPECT_EQ(listed.exitCode, 0) << c.folder << ": " << listed.err;
        EXPECT_EQ(listed.out, c.out) << c.folder;
    }
}

// How one condition is written (like, quotes dropped) is the folder views'
// search tests' own; here the options reach it and add up.
TEST_F(ListCommand, SearchOptionsAddTheirConditionsTogether)
{
    auto both = List(
        {"list", "sent", "--user", "li", "--search", "subject=lun", "--search", "MailTo=zhao"});
    EXPECT_EQ(both.exitCode, 0) << both.err;
    EXPECT_EQ(both.out.substr(both.out.find('\n') + 1),
              "3\t\tzhao\tlunch\t2026-03-03 08:00:00\t\n");

    auto quoted = List({"list", "sent", "--user", "li", "--search", "Subject=O'Neil"});
    EXPECT_EQ(quoted.exitCode, 0) << quoted.err;
    EXPECT_EQ(quoted.out.find("report"), std::string::npos) << "the search is for ONeil";

    auto sender = List({"list", "notify", "--user", "wang", "--search", "MailFrom=zh"});
    EXPECT_EQ(sender.out.substr(sender.out.find('\n') + 1),
              "2\t8\tzhao\tread it\t2026-03-06 09:00:00\n");
}

// The user name is a quoted literal in every folder's filter: a name made
// to widen the condition lists nothing, and a name holding a quote lists
// its own rows.
TEST_F(ListCommand, AUserNameHoldingQuotesListsOnlyThatUsersRows)
{
    Run("insert into SystemMailNotify (MailFrom, MailTo, Subject, MailId, MailTime, Status) "
        "values ('li', 'o''brien', 'for o''brien', 10, '2026-03-08 09:00:00', 0)");
    for (const char* folder : {"drafts", "sent", "inbox", "notify"}) {
        auto widened = List({"list", folder, "--user", "x' or '1'='1"});
        EXPECT_EQ(widened.exitCode, 0) << folder << ": " << widened.err;
        EXPECT_EQ(std::count(widened.out.begin(), widened.out.end(), '\n'), 1)
            << folder << " lists only its titles:\n"
            << widened.out;
    }
    auto own = List({"list", "inbox", "--user", "o'brien"});
    EXPECT_EQ(own.out.substr(own.out.find('\n') + 1),
              "4\t10\tli\tfor o'brien\t2026-03-08 09:00:00\t0\n");
}

TEST_F(ListCommand, FailuresGoToStderrWithExitCodeOne)
{
    Run("drop table SystemMailNotify");
    auto failed = List({"list", "inbox", "--user", "wang"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_NE(failed.err.find("SystemMailNotify"), std::string::npos) << failed.err;

    EXPECT_EQ(List({"list", "outbox", "--user", "li"}).exitCode, 1);
    EXPECT_EQ(List({"list", "drafts"}).exitCode, 1);
    auto badField = List({"list", "sent", "--user", "li", "--search", "Body=x"});
    EXPECT_EQ(badField.exitCode, 1);
    EXPECT_NE(badField.err.find("Body"), std::string::npos);
    EXPECT_EQ(List({"list", "drafts", "--user", "li", "--search", "Subject=x"}).exitCode, 1);
}

} // namespace
