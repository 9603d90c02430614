// `vellum upload`, `vellum download` and `vellum http` run as processes
// against vellum-attachd: the end-to-end path a script would take.
#include "AttachServerProcess.h"
#include "net/TestHome.h"
#include "support/RunCommand.h"

#include <gtest/gtest.h>

namespace {

using vellum::testing::AttachServerProcess;
using vellum::testing::CommandResult;
using vellum::testing::ReadFile;
using vellum::testing::RunCommand;
using vellum::testing::TestHome;

// Runs `vellum ARGS`; the test home reaches it through the environment.
CommandResult Vellum(const std::vector<std::string>& args)
{
    return RunCommand(VELLUM_BINARY_DIR "/tools/vellum/vellum", args,
                      {{"VELLUM_CODEPAGE", "UTF-8"}});
}

TEST(TransferCommandsTest, UploadAndDownloadWorkEndToEnd)
{
    TestHome home("commands");
    AttachServerProcess server(home.Temp() + "store");
    ASSERT_GT(server.Port(), 0);
    home.WriteFile("data/tolvan.ini", "[.]\nHttpServer=" + server.BaseUrl() + "\n");
    home.WriteFile("local/notes.txt", "some notes\n");

    CommandResult upload = Vellum({"upload", "--user", "王五", home.Home() + "local/notes.txt"});
    ASSERT_EQ(upload.exitCode, 0) << upload.err;
    ASSERT_FALSE(upload.out.empty());
    std::string name = upload.out.substr(0, upload.out.size() - 1);
    EXPECT_EQ(name.substr(name.size() - 4), ".txt");

    CommandResult download = Vellum({"download", "--user", "赵六", name});
    ASSERT_EQ(download.exitCode, 0) << download.err;
    EXPECT_EQ(download.out, home.Home() + "temp/" + name + "\n");
    EXPECT_EQ(ReadFile(home.Home() + "temp/" + name), "some notes\n");

    CommandResult replaced =
        Vellum({"upload", "--user", "王五", home.Home() + "local/notes.txt", "--replace", name});
    ASSERT_EQ(replaced.exitCode, 0) << replaced.err;
    CommandResult gone = Vellum({"download", "--user", "赵六", name});
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_EQ(gone.err, "下载失败\r\nfile not found\r\n\n");
}

TEST(TransferCommandsTest, FailuresGoToStderrWithStatusOne)
{
    TestHome home("commands-fail");
    home.WriteFile("local/a.txt", "a");
    CommandResult noServer = Vellum({"upload", "--user", "u", home.Home() + "local/a.txt"});
    EXPECT_EQ(noServer.exitCode, 1);
    EXPECT_EQ(noServer.err, "未定义服务器地址(data\\tolvan.ini)[./HttpServer]\n");
    EXPECT_TRUE(noServer.out.empty());

    CommandResult missing = Vellum({"upload", "--user", "u", home.Home() + "local/none.txt"});
    EXPECT_EQ(missing.exitCode, 1);
    CommandResult usage = Vellum({"upload", home.Home() + "local/a.txt"});
    EXPECT_EQ(usage.exitCode, 1);
}

TEST(TransferCommandsTest, HttpPrintsWhatTheClientKeptForEachRequest)
{
    TestHome home("commands-http");
    AttachServerProcess server(home.Temp() + "store");
    ASSERT_GT(server.Port(), 0);
    CommandResult http = Vellum({"http", "GET", server.BaseUrl() + "download.jsp?FileName=none",
                                 "GET", "https://127.0.0.1/"});
    EXPECT_EQ(http.exitCode, 1) << "the https request does not run";
    EXPECT_EQ(http.out.substr(0, http.out.find("HTTP/1.1")),
              "result\t1\nreceived\t16\ncontent-length\t16\ncontent-type\ttext/plain\n"
              "error\tSendAndRecv get read event\\r\\n\n");
    EXPECT_NE(http.out.find("\n--\nfile not found\r\n"), std::string::npos) << http.out;
    EXPECT_NE(http.out.find("result\t-1\n"), std::string::npos);
}

} // namespace
