// Saving and sending through MailSender on a real SQLite file and on the
// real PostgreSQL: the rows written, the recipients' splitting, the
// exchange record, and what is left after each refusal or failure.
#include "mail/MailSender.h"

#include "MailDbTest.h"
#include "entry/IniDocument.h"
#include "platform/text/CodePage.h"

namespace {

using vellum::testing::TestDatabase;
using vellum::text::FromUtf8;

class MailSenderTest : public MailDbTest
{
protected:
    MailSender Sender(int& key, CDbSession* session)
    {
        return MailSender(session, "li", key, m_exchange,
                          [this](const std::string& text) { m_shown.push_back(text); });
    }
    MailSender Sender(int& key) { return Sender(key, &m_session); }

    static MailFields Mail(const std::string& mailTo, const std::string& subject)
    {
        MailFields fields;
        fields.sender = "li";
        fields.mailTo = mailTo;
        fields.subject = subject;
        fields.body = "<P>body</P>";
        return fields;
    }

    std::string Count(const std::string& table) { return Rows("select count(*) from " + table); }

    CIniDocument m_exchange;
    std::vector<std::string> m_shown;
};

TEST_P(MailSenderTest, SendingSplitsTheRecipientsIntoOneNoticeEach)
{
    struct Case
    {
        const char* mailTo;
        const char* notices; // MailTo of each notice, in order
    } cases[] = {
        {"a,b;c", "a\nb\nc\n"},
        {"a;;b", "a\n\nb\n"},
        {"a;b;", "a\nb\n"},
        {"a; b", "a\n b\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mailTo);
        m_shown.clear();
        int key = -1;
        MailFields fields = Mail(c.mailTo, "It's news");
        MailSender sender = Sender(key);
        ASSERT_EQ(sender.Send(fields), SendOutcome::Sent);
        EXPECT_EQ(m_shown, std::vector<std::string>{FromUtf8("邮件已经发送")});
        std::string copy = std::to_string(sender.CopyKey());
        EXPECT_EQ(Rows("select MailFrom, MailTo, Subject, Body, Attachment from SystemMailCopy "
                       "where keyid=" +
                       copy),
                  "li|" + std::string(c.mailTo) + "|It's news|<P>body</P>|\n");
        EXPECT_EQ(
            Rows("select MailTo from SystemMailNotify where MailId=" + copy + " order by keyid"),
            c.notices);
        EXPECT_EQ(Rows("select count(*) from SystemMailNotify where MailId=" + copy +
                       " and MailFrom='li' and Subject='It''s news' and Status=0"),
                  std::to_string(sender.NoticeCount()) + "\n");
        EXPECT_EQ(Rows("select count(*) from SystemMailNotify n, SystemMailCopy c where "
                       "n.MailId=c.KeyId and n.MailTime<>c.MailTime"),
                  "0\n")
            << "one send time for the copy and its notices";
        EXPECT_EQ(Rows("select Status, MailTo from SystemMail where keyid=" + std::to_string(key)),
                  "1|" + std::string(c.mailTo) + "\n");
    }
}

TEST_P(MailSenderTest, RefusalsComeAfterTheDraftIsSaved)
{
    struct Case
    {
        const char* mailTo;
        const char* subject;
        SendOutcome outcome;
        const char* message;
    } cases[] = {
        {"", "", SendOutcome::NoRecipients, "请输入收件人名称"},
        {"a", "", SendOutcome::NoSubject, "请输入邮件标题"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        m_shown.clear();
        int key = -1;
        MailFields fields = Mail(c.mailTo, c.subject);
        EXPECT_EQ(Sender(key).Send(fields), c.outcome);
        EXPECT_EQ(m_shown, std::vector<std::string>{FromUtf8(c.message)});
        EXPECT_EQ(Rows("select Status, MailTo from SystemMail where keyid=" + std::to_string(key)),
                  "0|" + std::string(c.mailTo) + "\n");
    }
    EXPECT_EQ(Count("SystemMailCopy"), "0\n");
    EXPECT_EQ(Count("SystemMailNotify"), "0\n");
}

TEST_P(MailSenderTest, AMissingTableStopsTheSendAndLeavesWhatWasWritten)
{
    // The draft table missing: nothing saved, the key stays -1.
    Run("drop table SystemMail");
    int key = -1;
    MailFields fields = Mail("a", "s");
    EXPECT_EQ(Sender(key).Send(fields), SendOutcome::SaveFailed);
    EXPECT_EQ(key, -1);
    ASSERT_EQ(m_shown.size(), 1u);
    EXPECT_NE(m_shown[0].find("ystem"), std::string::npos) << m_shown[0];

    // The copy table missing: the draft is saved but stays unsent.
    std::string error;
    ASSERT_EQ(CreateMailTables(m_session, error), 1) << error;
    Run("drop table SystemMailCopy");
    m_shown.clear();
    EXPECT_EQ(Sender(key).Send(fields), SendOutcome::CopyFailed);
    ASSERT_EQ(m_shown.size(), 1u);
    EXPECT_EQ(m_shown[0].rfind("select * from systemMailCopy\r\n", 0), 0u) << m_shown[0];
    EXPECT_GT(m_shown[0].size(), 30u) << "the record set's error text follows";
    EXPECT_EQ(Rows("select Status from SystemMail"), "0\n");
    EXPECT_EQ(Count("SystemMailNotify"), "0\n");
}

TEST_P(MailSenderTest, AFailingNoticeEndsTheLoopButTheMailIsSent)
{
    if (GetParam() == TestDatabase::Postgres)
        Run("alter table SystemMailNotify add constraint no_bad check (MailTo <> 'bad')");
    else
        Run("create trigger no_bad before insert on SystemMailNotify when new.MailTo='bad' "
            "begin select raise(abort, 'no_bad recipient'); end");
    int key = -1;
    MailFields fields = Mail("a;bad;c", "s");
    MailSender sender = Sender(key);
    EXPECT_EQ(sender.Send(fields), SendOutcome::Sent);
    EXPECT_EQ(sender.NoticeCount(), 1);
    EXPECT_EQ(Rows("select MailTo from SystemMailNotify"), "a\n");
    ASSERT_EQ(m_shown.size(), 2u);
    EXPECT_NE(m_shown[0].find("no_bad"), std::string::npos) << m_shown[0];
    EXPECT_EQ(m_shown[1], FromUtf8("邮件已经发送"));
    EXPECT_EQ(Rows("select Status from SystemMail"), "1\n");
}

TEST_P(MailSenderTest, WithoutASessionNothingIsSavedOrShown)
{
    int key = -1;
    MailFields fields = Mail("a", "s");
    MailSender sender = Sender(key, nullptr);
    EXPECT_EQ(sender.Save(fields), 0);
    EXPECT_EQ(sender.Send(fields), SendOutcome::SaveFailed);
    EXPECT_EQ(key, -1);
    EXPECT_TRUE(m_shown.empty());
    EXPECT_EQ(Count("SystemMail"), "0\n");
}

// Fields as large as another user can make them: a 1 MiB subject and a
// hundred recipients are stored whole.
TEST_P(MailSenderTest, HugeFieldsAreStoredWhole)
{
    std::string subject = FromUtf8("主题") + std::string(1 << 20, 's');
    std::string mailTo;
    for (int i = 0; i < 100; ++i)
        mailTo += "user" + std::to_string(i) + ";";
    int key = -1;
    MailFields fields = Mail(mailTo, subject);
    MailSender sender = Sender(key);
    ASSERT_EQ(sender.Send(fields), SendOutcome::Sent) << (m_shown.empty() ? "" : m_shown[0]);
    std::string copy = std::to_string(sender.CopyKey());
    EXPECT_EQ(Rows("select Subject from SystemMailCopy where KeyId=" + copy), subject + "\n");
    EXPECT_EQ(Rows("select count(*), min(MailTo), max(MailTo) from SystemMailNotify where MailId=" +
                   copy),
              "100|user0|user99\n");
}

VELLUM_ON_SQLITE_AND_POSTGRES(MailSenderTest);

} // namespace
