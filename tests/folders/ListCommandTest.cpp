// `vellum list` on a SQLite file: the four folders, searches and failures.
#include "FolderTestHome.h"
#include "platform/text/CodePage.h"
#include "support/RunCommand.h"

#include <gtest/gtest.h>

namespace {

using vellum::testing::RunCommand;
using vellum::text::FromUtf8;

class ListCommand : public FolderTestHome
{
protected:
    void SetUp() override
    {
        FolderTestHome::SetUp();
        Mail("li", "wang", "draft one", "", 0);
        Mail("li", "wang;zhao", "report O'Neil", "r.doc", 1);
        Mail("li", "zhao", "lunch", "", 1);
        Mail("zhao", "li", "not mine", "x", 1);
        Notice("li", "wang", "report", 7, 0);
        Notice("zhao", "wang", "read it", 8, 1);
        Notice("li", "zhao", "other user", 9, 0);
    }

    void Mail(const char* from, const char* to, const char* subject, const char* attachment,
              int status)
    {
        Run(std::string("insert into SystemMail (MailFrom, MailTo, Subject, MailTime, "
                        "Attachment, Status) values ('") +
            from + "', '" + to + "', '" + Quoted(subject) + "', '2026-03-0" +
            std::to_string(++m_day) + " 08:00:00', '" + attachment + "', " +
            std::to_string(status) + ")");
    }

    void Notice(const char* from, const char* to, const char* subject, int mailId, int status)
    {
        Run(std::string("insert into SystemMailNotify (MailFrom, MailTo, Subject, MailId, "
                        "MailTime, Status) values ('") +
            from + "', '" + to + "', '" + subject + "', " + std::to_string(mailId) +
            ", '2026-03-0" + std::to_string(++m_day) + " 09:00:00', " + std::to_string(status) +
            ")");
    }

    static std::string Quoted(std::string text)
    {
        for (size_t at = text.find('\''); at != std::string::npos; at = text.find('\'', at + 2))
            text.insert(at, "'");
        return text;
    }

    vellum::testing::CommandResult List(std::vector<std::string> args)
    {
        args.insert(args.end(), {"--connect", Connect()});
        return RunCommand(VELLUM_CLI, args, {{"VELLUM_HOME", m_home.Path()}});
    }

    int m_day = 0;
};

TEST_F(ListCommand, PrintsEachFolderWithTitlesAndRowsNewestFirst)
{
    auto drafts = List({"list", "drafts", "--user", "li"});
    EXPECT_EQ(drafts.exitCode, 0) << drafts.err;
    EXPECT_EQ(drafts.out, FromUtf8("序号\t附件\t收件人\t主题\t时间\t\n") +
                              "1\t\twang\tdraft one\t2026-03-01 08:00:00\t\n");

    auto sent = List({"list", "sent", "--user", "li"});
    EXPECT_EQ(sent.exitCode, 0) << sent.err;
    EXPECT_EQ(sent.out, FromUtf8("序号\t附件\t收件人\t主题\t时间\t\n") +
                            "3\t\tzhao\tlunch\t2026-03-03 08:00:00\t\n"
                            "2\t@\twang;zhao\treport O'Neil\t2026-03-02 08:00:00\tr.doc\n");

    auto inbox = List({"list", "inbox", "--user", "wang"});
    EXPECT_EQ(inbox.exitCode, 0) << inbox.err;
    EXPECT_EQ(inbox.out, FromUtf8("序号\t\t发件人\t主题\t\t\n") +
                             "2\t8\tzhao\tread it\t2026-03-06 09:00:00\t1\n"
                             "1\t7\tli\treport\t2026-03-05 09:00:00\t0\n");

    auto notify = List({"list", "notify", "--user", "zhao"});
    EXPECT_EQ(notify.exitCode, 0) << notify.err;
    EXPECT_EQ(notify.out, FromUtf8("序号\t#\t发件人\t主题\t时间\n") +
                              "3\t9\tli\tother user\t2026-03-07 09:00:00\n");
}

// How one condition is written (like, quotes dropped, empty ones left
// out) is pinned by the folder definition tests; here the options reach it.
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
