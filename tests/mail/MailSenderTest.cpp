// Saving and sending on a real SQLite file and on the real PostgreSQL.
// Through MailSender: the rows written, the recipients' splitting, the
// exchange record, and what is left after each refusal or failure. Through
// `vellum send` run as a process: its output and exit status, the stored
// draft it starts from with --key, and many senders at once on one
// database, where every key read back must be the sender's own row.
#include "mail/MailSender.h"

#include "MailDbTest.h"
#include "base/IniDocument.h"
#include "db/ConnectionString.h"
#include "platform/text/CodePage.h"
#include "support/PostgresServer.h"
#include "support/RunCommand.h"
#include "support/TcpRelay.h"

#include <QImage>
#include <QString>
#include <sqlite3.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace {

using vellum::testing::CommandResult;
using vellum::testing::RunCommand;
using vellum::testing::TestDatabase;
using vellum::text::FromUtf8;

class MailSenderTest : public MailDbTest
{
protected:
    MailSender Sender(int& key, bool withSession = true)
    {
        return MailSender(withSession ? &m_session : nullptr, "li", key, m_exchange,
                          [this](const std::string& text) { m_shown.push_back(text); });
    }

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

    // True when another connection can take the write lock (SQLite) or lock
    // every draft (PostgreSQL) at once, without waiting.
    bool DatabaseIsFree()
    {
        if (GetParam() == TestDatabase::Postgres) {
            CDbSession other;
            return other.Open(m_connect.c_str()) &&
                   other.Execute("select KeyId from SystemMail for update nowait");
        }
        auto path = vellum::db::ConnectionStringValue(m_connect, "Data Source");
        sqlite3* db = nullptr;
        bool free =
            path && sqlite3_open(path->c_str(), &db) == SQLITE_OK &&
            sqlite3_exec(db, "begin immediate; rollback", nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(db);
        return free;
    }

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

// A send is stored whole or not at all: a notice the database refuses takes
// back the copy and the notices before it, the draft stays saved and
// unsent, and sending it again once the refusal is gone delivers once.
TEST_P(MailSenderTest, ARefusedNoticeTakesBackTheWholeSendAndARetryDeliversOnce)
{
    if (GetParam() == TestDatabase::Postgres)
        Run("alter table SystemMailNotify add constraint no_bad check (MailTo <> 'bad')");
    else
        Run("create trigger no_bad before insert on SystemMailNotify when new.MailTo='bad' "
            "begin select raise(abort, 'no_bad recipient'); end");
    int key = -1;
    MailFields fields = Mail("a;bad;c", "s");
    // The message shows only after the rollback: while the person reads it,
    // nothing of the send holds a lock that other senders wait on.
    bool lockedWhileShown = false;
    MailSender sender(&m_session, "li", key, m_exchange, [&](const std::string& text) {
        lockedWhileShown = lockedWhileShown || !DatabaseIsFree();
        m_shown.push_back(text);
    });
    EXPECT_EQ(sender.Send(fields), SendOutcome::NoticeFailed);
    EXPECT_FALSE(lockedWhileShown);
    EXPECT_EQ(sender.NoticeCount(), 0);
    EXPECT_EQ(sender.CopyKey(), -1);
    ASSERT_EQ(m_shown.size(), 1u);
    EXPECT_NE(m_shown[0].find("no_bad"), std::string::npos) << m_shown[0];
    EXPECT_EQ(Count("SystemMailCopy") + Count("SystemMailNotify"), "0\n0\n");
    EXPECT_EQ(Rows("select Status, MailTo from SystemMail"), "0|a;bad;c\n");

    Run(GetParam() == TestDatabase::Postgres ? "alter table SystemMailNotify drop constraint no_bad"
                                             : "drop trigger no_bad");
    m_shown.clear();
    ASSERT_EQ(sender.Send(fields), SendOutcome::Sent) << (m_shown.empty() ? "" : m_shown[0]);
    EXPECT_EQ(sender.NoticeCount(), 3);
    EXPECT_EQ(Rows("select MailTo from SystemMailNotify order by KeyId"), "a\nbad\nc\n");
    EXPECT_EQ(Count("SystemMailCopy"), "1\n");
    EXPECT_EQ(Rows("select Status from SystemMail"), "1\n");
}

// The server going away in the middle of a send: a notice waits inside the
// server until the test has stopped it. Nothing of the send is left after
// the restart, and the retry on a new connection delivers once.
TEST_P(MailSenderTest, AServerStoppedDuringASendLeavesNothingHalfSent)
{
    if (GetParam() != TestDatabase::Postgres)
        GTEST_SKIP() << "a server to stop is PostgreSQL's";
    Run("create function slow_notice() returns trigger language plpgsql as $$ begin "
        "if new.MailTo = 'slow' then perform pg_sleep(60); end if; return new; end $$");
    Run("create trigger slow before insert on SystemMailNotify for each row "
        "execute function slow_notice()");
    int key = -1;
    MailFields fields = Mail("a;b;slow;c", "s");
    MailSender sender = Sender(key);
    ASSERT_EQ(sender.Save(fields), 1);
    SendOutcome outcome = SendOutcome::Sent;
    std::thread sending([&] { outcome = sender.Deliver(fields); });

    CDbSession watcher;
    ASSERT_EQ(watcher.Open(m_connect.c_str()), 1) << watcher.GetLastErrorText();
    for (int i = 0; i < 500 && Rows(watcher, "select count(*) from pg_stat_activity where "
                                             "wait_event='PgSleep'") != "1\n";
         ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(vellum::testing::StopPostgres());
    sending.join();
    ASSERT_TRUE(vellum::testing::RestartPostgres());

    EXPECT_EQ(outcome, SendOutcome::NoticeFailed);
    ASSERT_FALSE(m_shown.empty());
    EXPECT_NE(m_shown[0].find("terminating connection"), std::string::npos) << m_shown[0];
    ASSERT_EQ(m_session.Open(m_connect.c_str()), 1) << m_session.GetLastErrorText();
    EXPECT_EQ(Count("SystemMailCopy") + Count("SystemMailNotify"), "0\n0\n");
    EXPECT_EQ(Rows("select Status from SystemMail where keyid=" + std::to_string(key)), "0\n");

    Run("drop trigger slow on SystemMailNotify");
    ASSERT_EQ(sender.Deliver(fields), SendOutcome::Sent);
    EXPECT_EQ(Rows("select count(*), count(distinct MailTo) from SystemMailNotify"), "4|4\n");
    EXPECT_EQ(Rows("select Status from SystemMail where keyid=" + std::to_string(key)), "1\n");
}

// The commit of a send goes through but its answer is lost with the
// connection: the send is reported failed although it was stored. Sending
// again (the compose window stays open) finds the draft sent and delivers
// nothing more; so does a second window on the same draft.
TEST_P(MailSenderTest, ARetryAfterACommitWhoseAnswerWasLostDeliversNothingMore)
{
    if (GetParam() != TestDatabase::Postgres)
        GTEST_SKIP() << "the connection to cut is PostgreSQL's";
    auto port = vellum::db::ConnectionStringValue(m_connect, "Port");
    ASSERT_TRUE(port);
    vellum::testing::TcpRelay cutter(std::atoi(port->c_str()));
    std::string relayed = vellum::testing::WithPort(m_connect, cutter.Port());
    CDbSession cutSession;
    ASSERT_EQ(cutSession.Open(relayed.c_str()), 1) << cutSession.GetLastErrorText();
    int key = -1;
    MailFields fields = Mail("a;b;c", "s");
    MailSender cutSender(&cutSession, "li", key, m_exchange,
                         [this](const std::string& text) { m_shown.push_back(text); });
    ASSERT_EQ(cutSender.Save(fields), 1);
    cutter.CutAtAnswerTo("COMMIT");
    EXPECT_EQ(cutSender.Deliver(fields), SendOutcome::CommitFailed);
    EXPECT_TRUE(cutter.HasCut());
    EXPECT_EQ(Rows("select count(*) from SystemMailNotify"), "3\n");

    for (int window = 0; window < 2; ++window) {
        m_shown.clear();
        MailSender retry = Sender(key);
        EXPECT_EQ(retry.Send(fields), SendOutcome::AlreadySent);
        EXPECT_EQ(m_shown, std::vector<std::string>{FromUtf8("邮件已经发送")});
    }
    EXPECT_EQ(Count("SystemMailCopy") + Count("SystemMailNotify"), "1\n3\n");
    EXPECT_EQ(Rows("select Status from SystemMail where keyid=" + std::to_string(key)), "1\n");
}

TEST_P(MailSenderTest, WithoutASessionNothingIsSavedOrShown)
{
    int key = -1;
    MailFields fields = Mail("a", "s");
    MailSender sender = Sender(key, false);
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
    EXPECT_EQ(Rows("select MailFrom, MailTo, Subject, Attachment, Status from SystemMail"),
              "李四|王五;赵六|会议 It's|a.txt|1\n");
    // The fragment is stored as the editor writes a body: its META head and
    // the "<BODY>" a reply puts its quote header after.
    std::string body = Rows("select Body from SystemMailCopy");
    EXPECT_EQ(body.rfind("<HTML><HEAD><META http-equiv=", 0), 0u) << body;
    EXPECT_NE(body.find("</HEAD><BODY><P>明天</P></BODY></HTML>"), std::string::npos) << body;
    EXPECT_EQ(Rows("select Body from SystemMail"), body);
    EXPECT_EQ(Rows("select MailTo, MailId from SystemMailNotify order by keyid"),
              "王五|1\n赵六|1\n");

    // A stored draft keeps what the options do not replace.
    Run("insert into SystemMail(MailFrom,MailTo,Subject,Body,Status) values "
        "('li','wang','draft','<P>kept</P>',0)");
    CommandResult draft = Send({"--user", "li", "--key", "2", "--subject", "final"});
    ASSERT_EQ(draft.exitCode, 0) << draft.err;
    EXPECT_EQ(draft.out, "draft 2\ncopy 2\nnotices 1\n");
    EXPECT_EQ(Rows("select MailTo, Subject from SystemMailCopy where keyid=2"), "wang|final\n");
    EXPECT_NE(Rows("select Body from SystemMailCopy where keyid=2").find("<BODY><P>kept</P>"),
              std::string::npos);
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

// A body naming pictures on this machine is stored carrying them: a small
// PNG as it is, a large picture as JPEG no longer than 2,560 px. A picture
// that cannot be read stops the send before anything is stored; a body over
// 16 MB is refused once the draft is saved.
TEST_P(SendCommandTest, PicturesOnThisDiskTravelInTheBody)
{
    QImage small(40, 30, QImage::Format_RGB32), noise(3000, 2000, QImage::Format_RGB32);
    small.fill(Qt::red);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, (x * 7919u + y * 104729u) * 2654435761u);
    const std::string dir = m_folder.Path();
    ASSERT_TRUE(small.save(QString::fromStdString(dir + "small.png")));
    ASSERT_TRUE(noise.save(QString::fromStdString(dir + "noise.bmp")));
    CommandResult sent = Send(
        {"--user", "li", "--to", "wang", "--subject", "pictures", "--body",
         "<P><IMG src=\"file://" + dir + "small.png\"><IMG src=\"" + dir + "noise.bmp\"></P>"});
    ASSERT_EQ(sent.exitCode, 0) << sent.err;
    std::string body = Rows("select Body from SystemMailCopy");
    EXPECT_EQ(body.find(dir), std::string::npos) << "no local path is stored";
    std::size_t jpeg = body.find("data:image/jpeg;base64,");
    ASSERT_NE(jpeg, std::string::npos);
    EXPECT_NE(body.find("<IMG src=\"data:image/png;base64,"), std::string::npos);
    QImage shrunk = QImage::fromData(QByteArray::fromBase64(
        QByteArray::fromStdString(body.substr(jpeg + 23, body.find('"', jpeg) - jpeg - 23))));
    EXPECT_EQ(shrunk.size(), QSize(2560, 1706));

    CommandResult missing = Send({"--user", "li", "--to", "wang", "--subject", "gone", "--body",
                                  "<IMG src=\"" + dir + "gone.png\">"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find(dir + "gone.png"), std::string::npos) << missing.err;

    std::ofstream(dir + "huge.html") << "<P>" << std::string(17u << 20, 'x') << "</P>";
    CommandResult huge = Send(
        {"--user", "li", "--to", "wang", "--subject", "huge", "--body-file", dir + "huge.html"});
    EXPECT_EQ(huge.exitCode, 1);
    EXPECT_EQ(huge.out, "draft 2\n") << "the draft is kept";
    EXPECT_NE(huge.err.find("16 MB"), std::string::npos) << huge.err;
    EXPECT_EQ(Rows("select KeyId, Status from SystemMail order by KeyId"), "1|1\n2|0\n");
    EXPECT_EQ(Rows("select count(*) from SystemMailCopy"), "1\n");
}

// Two `vellum send --key K` started together, as two compose windows on one
// draft sending at once: in every round exactly one delivers, the other
// reports the draft already sent, and both end well.
TEST_P(SendCommandTest, TwoSendersOnOneDraftDeliverItOnce)
{
    constexpr int kRounds = 20;
    for (int round = 1; round <= kRounds; ++round) {
        std::string key = std::to_string(round);
        Run("insert into SystemMail(MailFrom,MailTo,Subject,Body,Status) values "
            "('li','wang;zhao','round " +
            key + "','<P>b</P>',0)");
        CommandResult results[2];
        std::thread other([&] { results[1] = Send({"--user", "li", "--key", key}); });
        results[0] = Send({"--user", "li", "--key", key});
        other.join();
        int delivered = 0;
        for (const CommandResult& result : results) {
            ASSERT_EQ(result.exitCode, 0) << result.err;
            delivered += result.out.find("copy ") != std::string::npos;
        }
        EXPECT_EQ(delivered, 1) << results[0].out << results[1].out;
    }
    EXPECT_EQ(Rows("select count(*), count(distinct Subject) from SystemMailCopy"),
              std::to_string(kRounds) + "|" + std::to_string(kRounds) + "\n");
    EXPECT_EQ(Rows("select count(*) from SystemMailNotify"), std::to_string(2 * kRounds) + "\n");
}

VELLUM_ON_SQLITE_AND_POSTGRES(SendCommandTest);

} // namespace
