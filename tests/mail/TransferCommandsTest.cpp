// `vellum upload`, `vellum download` and `vellum http` run as processes
// against vellum-attachd: the end-to-end path a script would take.
#include "AttachServerProcess.h"
#include "net/TestHome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

namespace {

using vellum::testing::AttachServerProcess;
using vellum::testing::ReadFile;
using vellum::testing::TestHome;

struct CommandRun
{
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `vellum ARGS` (arguments are simple words here) with the test home.
CommandRun Vellum(const TestHome& home, const std::string& args)
{
    std::string errFile = home.Temp() + "stderr.txt";
    std::string command = "VELLUM_CODEPAGE=UTF-8 " + std::string(VELLUM_BINARY_DIR) +
                          "/tools/vellum/vellum " + args + " 2>" + errFile;
    CommandRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = ReadFile(errFile);
    return run;
}

TEST(TransferCommandsTest, UploadAndDownloadWorkEndToEnd)
{
    TestHome home("commands");
    AttachServerProcess server(home.Temp() + "store");
    ASSERT_GT(server.Port(), 0);
    home.WriteFile("data/tolvan.ini", "[.]\nHttpServer=" + server.BaseUrl() + "\n");
    home.WriteFile("local/notes.txt", "some notes\n");

    CommandRun upload = Vellum(home, "upload --user 王五 " + home.Home() + "local/notes.txt");
    ASSERT_EQ(upload.status, 0) << upload.err;
    ASSERT_FALSE(upload.out.empty());
    std::string name = upload.out.substr(0, upload.out.size() - 1);
    EXPECT_EQ(name.substr(name.size() - 4), ".txt");

    CommandRun download = Vellum(home, "download --user 赵六 " + name);
    ASSERT_EQ(download.status, 0) << download.err;
    EXPECT_EQ(download.out, home.Home() + "temp/" + name + "\n");
    EXPECT_EQ(ReadFile(home.Home() + "temp/" + name), "some notes\n");

    CommandRun replaced =
        Vellum(home, "upload --user 王五 " + home.Home() + "local/notes.txt --replace " + name);
    ASSERT_EQ(replaced.status, 0) << replaced.err;
    CommandRun gone = Vellum(home, "download --user 赵六 " + name);
    EXPECT_EQ(gone.status, 1);
    EXPECT_EQ(gone.err, "下载失败\r\nfile not found\r\n\n");
}

TEST(TransferCommandsTest, FailuresGoToStderrWithStatusOne)
{
    TestHome home("commands-fail");
    home.WriteFile("local/a.txt", "a");
    CommandRun noServer = Vellum(home, "upload --user u " + home.Home() + "local/a.txt");
    EXPECT_EQ(noServer.status, 1);
    EXPECT_EQ(noServer.err, "未定义服务器地址(data\\tolvan.ini)[./HttpServer]\n");
    EXPECT_TRUE(noServer.out.empty());

    CommandRun missing = Vellum(home, "upload --user u " + home.Home() + "local/none.txt");
    EXPECT_EQ(missing.status, 1);
    CommandRun usage = Vellum(home, "upload " + home.Home() + "local/a.txt");
    EXPECT_EQ(usage.status, 1);
}

TEST(TransferCommandsTest, HttpPrintsWhatTheClientKeptForEachRequest)
{
    TestHome home("commands-http");
    AttachServerProcess server(home.Temp() + "store");
    ASSERT_GT(server.Port(), 0);
    CommandRun http = Vellum(home, "http GET " + server.BaseUrl() + "download.jsp?FileName=none " +
                                       "GET https://127.0.0.1/");
    EXPECT_EQ(http.status, 1) << "the https request does not run";
    EXPECT_EQ(http.out.substr(0, http.out.find("HTTP/1.1")),
              "result\t1\nreceived\t16\ncontent-length\t16\ncontent-type\ttext/plain\n"
              "error\tSendAndRecv get read event\\r\\n\n");
    EXPECT_NE(http.out.find("\n--\nfile not found\r\n"), std::string::npos) << http.out;
    EXPECT_NE(http.out.find("result\t-1\n"), std::string::npos);
}

} // namespace
