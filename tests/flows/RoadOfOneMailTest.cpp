// The road of one mail as vellum-host's tour walks it: li writes to wang
// with an attachment, wang reads it, downloads the attachment and replies,
// li's inbox gets the reply and li deletes a notice. The tour drives the module only through its
// exports; this test checks what the road left in the database, on the
// attachment server and in the module's home.
#include "mail/AttachServerProcess.h"
#include "platform/text/CodePage.h"
#include "store/DbRecordset.h"
#include "store/DbSession.h"
#include "support/RunCommand.h"
#include "support/ScratchFolder.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using vellum::testing::TestDatabase;
using vellum::text::FromUtf8;

namespace {

class RoadOfOneMail : public ::testing::TestWithParam<TestDatabase>
{
protected:
    // The rows of a query, each row's fields joined with "|".
    std::vector<std::string> Rows(const std::string& query)
    {
        CDbRecordset records;
        records.Attach(&m_session);
        EXPECT_EQ(records.Open(query.c_str()), 1) << records.GetLastErrorText();
        std::vector<std::string> rows;
        for (; !records.IsEOF(); records.MoveNext()) {
            std::string row;
            for (int i = 0; i < records.GetFieldCount(); ++i) {
                const char* value = records.GetFieldValueAt(i);
                row += (i ? "|" : "") + std::string(value ? value : "");
            }
            rows.push_back(row);
        }
        return rows;
    }

    vellum::testing::ScratchFolder m_home;
    CDbSession m_session;
};

TEST_P(RoadOfOneMail, TheTourSendsReadsDownloadsAndReplies)
{
    std::string error;
    std::string connect = vellum::testing::FreshDatabase(GetParam(), m_home, error);
    if (connect.empty())
        GTEST_SKIP() << error;
    ASSERT_EQ(m_session.Open(connect.c_str()), 1) << m_session.GetLastErrorText();
    vellum::testing::RunCommand(VELLUM_BINARY_DIR "/tools/vellum/vellum",
                                {"init-db", "--connect", connect});

    vellum::testing::AttachServerProcess server(m_home.Path() + "attachments");
    ASSERT_GT(server.Port(), 0);
    std::filesystem::create_directories(m_home.Path() + "data");
    std::ofstream(m_home.Path() + "data/tolvan.ini")
        << "[.]\nHttpServer=" << server.BaseUrl() << "\n";

    std::string shots = m_home.Path() + "tour";
    vellum::testing::CommandResult tour = vellum::testing::RunCommand(
        VELLUM_HOST, {"--tour", shots, "--connect", connect}, {{"VELLUM_HOME", m_home.Path()}});
    ASSERT_EQ(tour.exitCode, 0) << tour.out << tour.err;

    // li's mail went out with its attachment; wang's reply carries it along.
    std::vector<std::string> sent =
        Rows("select MailFrom, MailTo, Subject, Status from SystemMail order by KeyId");
    EXPECT_EQ(sent, (std::vector<std::string>{"li|wang|" + FromUtf8("第四季度计划") + "|1",
                                              "wang|li|" + FromUtf8("回复:第四季度计划") + "|1"}));
    std::vector<std::string> attachments =
        Rows("select Attachment from SystemMailCopy order by KeyId");
    ASSERT_EQ(attachments.size(), 2u);
    EXPECT_FALSE(attachments[0].empty());
    EXPECT_EQ(attachments[1], attachments[0]);

    // wang's notice was read; li's (the reply) was deleted with the Delete
    // key, its copy stays and quotes li's mail.
    EXPECT_EQ(Rows("select MailFrom, MailTo, Status from SystemMailNotify order by KeyId"),
              (std::vector<std::string>{"li|wang|1"}));
    std::vector<std::string> replyBody =
        Rows("select Body from SystemMailCopy where MailFrom='wang'");
    ASSERT_EQ(replyBody.size(), 1u);
    EXPECT_NE(replyBody[0].find(FromUtf8("发件人:")), std::string::npos);
    EXPECT_NE(replyBody[0].find(FromUtf8("王工：第四季度计划在附件里")), std::string::npos);
    EXPECT_NE(replyBody[0].find(FromUtf8("收到，周五前给你意见。")), std::string::npos);

    // The server keeps the attachment under the name in the mail, and the
    // download put a copy into temp/.
    EXPECT_TRUE(std::filesystem::is_regular_file(m_home.Path() + "attachments/" + attachments[0]));
    EXPECT_TRUE(std::filesystem::is_regular_file(m_home.Path() + "temp/" + attachments[0]));

    for (const char* shot : {"01-li-drafts.png", "02-li-compose.png", "03-li-sent.png",
                             "04-wang-inbox.png", "05-wang-read.png", "06-wang-reply.png",
                             "07-wang-inbox-read.png", "08-li-inbox.png", "09-li-notices.png"})
        EXPECT_GT(std::filesystem::file_size(shots + "/" + shot), 1000u) << shot;
}

INSTANTIATE_TEST_SUITE_P(Databases, RoadOfOneMail,
                         ::testing::Values(TestDatabase::Sqlite, TestDatabase::Postgres),
                         [](const auto& info) {
                             return vellum::testing::TestDatabaseName(info.param);
                         });

} // namespace
