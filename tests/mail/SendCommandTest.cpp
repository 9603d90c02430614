// `vellum send` run as a process: its output and exit status, the stored
// draft it starts from with --key, and many senders at once on one
// database, where every key read back must be the sender's own row.
#include "MailDbTest.h"
#include "platform/text/CodePage.h"
#include "support/RunCommand.h"

#include <thread>

namespace {

using vellum::testing::CommandResult;
using vellum::testing::RunCommand;

CommandResult Vellum(const std::vector<std::string>& args)
{
    return RunCommand(VELLUM_BINARY_DIR "/tools/vellum/vellum", args,
                      {{"VELLUM_CODEPAGE", "UTF-8"}});
}

class SendCommandTest : public MailDbTest
{
protected:
    // The tool runs in UTF-8 here, so the rows read back are compared in it.
    void SetUp() override
    {
        MailDbTest::SetUp();
        vellum::text::SetHostCodePage("UTF-8");
    }

    CommandResult Send(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"send", "--connect", m_connect});
        return Vellum(args);
    }
};

TEST_P(SendCommandTest, PrintsTheKeysAndCountOfWhatItStored)
{
    CommandResult sent = Send({"--user", "李四", "--to", "王五;赵六", "--subject", "会议 It's",
                               "--body", "<P>明天</P>", "--attachment", "a.txt"});
    ASSERT_EQ(sent.exitCode, 0) << sent.err;
    EXPECT_EQ(sent.out, "draft 1\ncopy 1\nnotices 2\n");
    EXPECT_EQ(sent.err, "");
    EXPECT_EQ(Rows("select MailFrom, MailTo, Subject, Body, Attachment, Status from SystemMail"),
              "李四|王五;赵六|会议 It's|<P>明天</P>|a.txt|1\n");
    EXPECT_EQ(Rows("select MailTo, MailId from SystemMailNotify order by keyid"),
              "王五|1\n赵六|1\n");

    // A stored draft keeps what the options do not replace.
    Run("insert into SystemMail(MailFrom,MailTo,Subject,Body,Status) values "
        "('li','wang','draft','<P>kept</P>',0)");
    CommandResult draft = Send({"--user", "li", "--key", "2", "--subject", "final"});
    ASSERT_EQ(draft.exitCode, 0) << draft.err;
    EXPECT_EQ(draft.out, "draft 2\ncopy 2\nnotices 1\n");
    EXPECT_EQ(Rows("select MailTo, Subject, Body from SystemMailCopy where keyid=2"),
              "wang|final|<P>kept</P>\n");
}

TEST_P(SendCommandTest, RefusalsAndFailuresPrintTheDialogsMessageAndExitOne)
{
    CommandResult noSubject = Send({"--user", "li", "--to", "wang"});
    EXPECT_EQ(noSubject.exitCode, 1);
    EXPECT_EQ(noSubject.out, "draft 1\n") << "the draft is saved before the check";
    EXPECT_EQ(noSubject.err, "请输入邮件标题\n");
    EXPECT_EQ(Rows("select Status from SystemMail"), "0\n");

    CommandResult missing = Send({"--user", "li", "--key", "7", "--to", "w", "--subject", "s"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "vellum: 指定的数据不存在\n");

    CommandResult usage = Send({"--to", "w"});
    EXPECT_EQ(usage.exitCode, 1);
    EXPECT_NE(usage.err.find("--user"), std::string::npos) << usage.err;

    CommandResult help = Vellum({"send", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--body-file"), std::string::npos);
}

// Senders that run at the same time each get back the keys of their own
// rows: every draft key printed names that sender's draft, and every
// notice's MailId names a copy with the same sender and subject.
TEST_P(SendCommandTest, ConcurrentSendersEachGetTheirOwnKeys)
{
    constexpr int kSenders = 3;
    constexpr int kSendsEach = 4;
    std::vector<std::vector<CommandResult>> results(kSenders);
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([this, s, &results] {
            std::string user = "user" + std::to_string(s);
            for (int i = 0; i < kSendsEach; ++i)
                results[s].push_back(Send(
                    {"--user", user, "--to", "x;y", "--subject", user + "-" + std::to_string(i)}));
        });
    }
    for (std::thread& sender : senders)
        sender.join();

    for (int s = 0; s < kSenders; ++s) {
        std::string user = "user" + std::to_string(s);
        for (int i = 0; i < kSendsEach; ++i) {
            const CommandResult& result = results[s][i];
            ASSERT_EQ(result.exitCode, 0) << result.err;
            int draft = 0, copy = 0, notices = 0;
            ASSERT_EQ(std::sscanf(result.out.c_str(), "draft %d\ncopy %d\nnotices %d", &draft,
                                  &copy, &notices),
                      3)
                << result.out;
            std::string subject = user + "-" + std::to_string(i);
            EXPECT_EQ(Rows("select MailFrom, Subject from SystemMail where keyid=" +
                           std::to_string(draft)),
                      user + "|" + subject + "\n");
            EXPECT_EQ(Rows("select MailFrom, Subject from SystemMailCopy where keyid=" +
                           std::to_string(copy)),
                      user + "|" + subject + "\n");
            EXPECT_EQ(notices, 2);
        }
    }
    EXPECT_EQ(Rows("select count(*) from SystemMailNotify n left join SystemMailCopy c on "
                   "n.MailId=c.KeyId where c.MailFrom is null or c.MailFrom<>n.MailFrom or "
                   "c.Subject<>n.Subject"),
              "0\n");
    EXPECT_EQ(Rows("select count(*) from SystemMailNotify"),
              std::to_string(2 * kSenders * kSendsEach) + "\n");
    EXPECT_EQ(Rows("select count(*) from SystemMail where Status=1"),
              std::to_string(kSenders * kSendsEach) + "\n");
}

VELLUM_ON_SQLITE_AND_POSTGRES(SendCommandTest);

} // namespace
