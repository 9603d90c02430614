// The road of one mail as vellum-host's tour walks it: li writes to wang
// with an attachment, wang reads it, downloads the attachment and replies,
// li's inbox gets the reply and li deletes a notice. The tour drives the module only through its
// exports; this test checks what the road left in the database, on the
// attachment server and in the module's home. Behind pgbouncer in
// transaction mode too, where a dialog that kept a transaction open would
// stall every other session.
#include "folders/FolderTestHome.h"
#include "mail/AttachServerProcess.h"
#include "platform/text/CodePage.h"
#include "support/PostgresServer.h"
#include "support/RunCommand.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using vellum::testing::TestDatabase;
using vellum::text::FromUtf8;

namespace {

using RoadOfOneMail = ::testing::TestWithParam<TestDatabase>;
using Rows = std::vector<std::string>;

// A user name with bytes that are no text would be folded into another
// user's name on the database's side: the host refuses it before it opens
// anything, and likewise a code page the system does not know.
TEST(HostStart, AUserNameThatIsNotTextOrAnUnknownCodePageIsRefused)
{
    vellum::testing::ScratchFolder home;
    for (const char* name : {"bob\xff", "bob\xc3"}) {
        vellum::testing::CommandResult host = vellum::testing::RunCommand(
            VELLUM_HOST, {"--user", name, "--tour", home.Path() + "tour"},
            {{"VELLUM_HOME", home.Path()}, {"VELLUM_CODEPAGE", "UTF-8"}});
        EXPECT_EQ(host.exitCode, 1);
        EXPECT_NE(host.err.find("not valid text"), std::string::npos) << host.err;
    }
    vellum::testing::CommandResult unknown = vellum::testing::RunCommand(
        VELLUM_HOST, {"--user", "li", "--tour", home.Path() + "tour"},
        {{"VELLUM_HOME", home.Path()}, {"VELLUM_CODEPAGE", "NO-SUCH-PAGE"}});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("NO-SUCH-PAGE"), std::string::npos) << unknown.err;
}

TEST_P(RoadOfOneMail, TheTourSendsReadsDownloadsAndReplies)
{
    vellum::testing::ScratchFolder home;
    std::string error;
    std::string connect = vellum::testing::FreshDatabase(GetParam(), home, error);
    if (connect.empty())
        GTEST_SKIP() << error;
    CDbSession session;
    ASSERT_EQ(session.Open(connect.c_str()), 1) << session.GetLastErrorText();
    vellum::testing::RunCommand(VELLUM_BINARY_DIR "/tools/vellum/vellum",
                                {"init-db", "--connect", connect});

    vellum::testing::AttachServerProcess server(home.Path() + "attachments");
    ASSERT_GT(server.Port(), 0);
    std::filesystem::create_directories(home.Path() + "data");
    std::ofstream(home.Path() + "data/tolvan.ini")
        << "[.]\nHttpServer=" << server.BaseUrl() << "\n";

    std::string shots = home.Path() + "tour";
    std::vector<std::string> arguments = {"--tour", shots, "--connect", connect};
    // Behind a pooler the inbox listens on a direct connection of its own.
    if (GetParam() == TestDatabase::PostgresPooled)
        arguments.insert(arguments.end(),
                         {"--listen-connect", vellum::testing::PostgresOdbcConnectString()});
    vellum::testing::CommandResult tour =
        vellum::testing::RunCommand(VELLUM_HOST, arguments, {{"VELLUM_HOME", home.Path()}});
    ASSERT_EQ(tour.exitCode, 0) << tour.out << tour.err;
    EXPECT_EQ(tour.err, "") << "Qt's warnings go to the trace log, not the terminal";

    // li's mail went out with its attachment; wang's reply carries it along.
    EXPECT_EQ(QueryRows(session, "select MailFrom, MailTo, Subject, Status from SystemMail "
                                 "order by KeyId"),
              (Rows{"li|wang|" + FromUtf8("第四季度计划") + "|1",
                    "wang|li|" + FromUtf8("回复:第四季度计划") + "|1"}));
    Rows attachments = QueryRows(session, "select Attachment from SystemMailCopy order by KeyId");
    ASSERT_EQ(attachments.size(), 2u);
    EXPECT_FALSE(attachments[0].empty());
    EXPECT_EQ(attachments[1], attachments[0]);

    // wang's notice was read; li's (the reply) was deleted with the Delete
    // key, its copy stays and quotes li's mail.
    EXPECT_EQ(QueryRows(session, "select MailFrom, MailTo, Status from SystemMailNotify"),
              Rows{"li|wang|1"});
    Rows replyBody = QueryRows(session, "select Body from SystemMailCopy where MailFrom='wang'");
    ASSERT_EQ(replyBody.size(), 1u);
    EXPECT_NE(replyBody[0].find(FromUtf8("发件人:")), std::string::npos);
    EXPECT_NE(replyBody[0].find(FromUtf8("王工：第四季度计划在附件里")), std::string::npos);
    EXPECT_NE(replyBody[0].find(FromUtf8("收到，周五前给你意见。")), std::string::npos);

    // The server keeps the attachment under the name in the mail, and the
    // download put a copy into temp/ under the file's own name (UTF-8 on
    // disk); the server name carries that name in the host code page.
    EXPECT_TRUE(std::filesystem::is_regular_file(home.Path() + "attachments/" + attachments[0]));
    EXPECT_TRUE(std::filesystem::is_regular_file(home.Path() + "temp/第四季度计划.txt"));
    EXPECT_NE(vellum::text::ToUtf8(attachments[0]).find("-第四季度计划.txt"), std::string::npos)
        << "the name keeps the uploaded file's name";

    for (const char* shot : {"01-li-drafts.png", "02-li-compose.png", "03-li-sent.png",
                             "04-wang-inbox.png", "05-wang-read.png", "06-wang-reply.png",
                             "07-wang-inbox-read.png", "08-li-inbox.png", "09-li-notices.png"})
        EXPECT_GT(std::filesystem::file_size(shots + "/" + shot), 1000u) << shot;
}

INSTANTIATE_TEST_SUITE_P(Databases, RoadOfOneMail,
                         ::testing::Values(TestDatabase::Sqlite, TestDatabase::Postgres,
                                           TestDatabase::PostgresPooled),
                         [](const auto& info) {
                             return vellum::testing::TestDatabaseName(info.param);
                         });

} // namespace
