// Sending and listing through pgbouncer in transaction mode: a key read
// back outside the transaction of its insert would name some other
// session's row. Two senders share the pool's one server connection.
#include "MailDbTest.h"
#include "base/IniDocument.h"
#include "mail/MailSender.h"
#include "platform/text/CodePage.h"
#include "support/Pgbouncer.h"
#include "support/RunCommand.h"

#include <algorithm>
#include <thread>

namespace {

using vellum::testing::TestDatabase;

class PooledSendTest : public MailDbTest
{
};

TEST_P(PooledSendTest, SendsListsAndReadsThroughPgbouncerInTransactionMode)
{
    const std::string& pooled = vellum::testing::PooledPostgresOdbcConnectString();
    if (pooled.empty())
        GTEST_SKIP() << vellum::testing::PgbouncerStartError();

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
