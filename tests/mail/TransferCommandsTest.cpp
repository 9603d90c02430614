// vellum-attachd run as a process, and `vellum upload`, `vellum download`
// and `vellum http` run against it: the server's own rules over HTTP (names
// that are not its own never reach a file, refusals say why without
// "SUCCESS", SIGTERM stops it cleanly) and the end-to-end path a script
// would take.
#include "AttachServerProcess.h"
#include "mail/AttachmentName.h"
#include "net/HttpClient.h"
#include "net/MultipartForm.h"
#include "net/TestHome.h"
#include "support/RunCommand.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using vellum::testing::AttachServerProcess;
using vellum::testing::CommandResult;
using vellum::testing::ReadFile;
using vellum::testing::RunCommand;
using vellum::testing::TestHome;

TEST(AttachServerTest, NoNameReachesOutsideTheStore)
{
    TestHome home("attachd-names");
    home.WriteFile("../tmp/secret.txt", "secret");
    AttachServerProcess server(home.Temp() + "store", {"--type", ".php"});
    ASSERT_GT(server.Port(), 0);
    for (const std::string& name : std::vector<std::string>{
             "../secret.txt", "..%2Fsecret.txt", "/etc/passwd", "%2Fetc%2Fpasswd", ".owners",
             "20200101000000-0000000g.txt", "", "store.log", "20200101000000-00000000.txt%00.x",
             "..%00/secret.txt", std::string(4000, 'a') + ".txt"}) {
        CHttpClient client;
        ASSERT_EQ(
            client.Request("GET", server.BaseUrl() + "download.php?UserName=u&FileName=" + name),
            1);
        EXPECT_EQ(client.m_responseHead.rfind("HTTP/1.1 404", 0), 0u) << name;
        EXPECT_EQ(client.m_textBody, "file not found\r\n") << name;
        std::string disposition;
        EXPECT_EQ(client.GetHeader("Content-Disposition", disposition), 0) << name;
    }
    CHttpClient wrongPage;
    ASSERT_EQ(wrongPage.Request("GET", server.BaseUrl() + "download.jsp?FileName=x"), 1);
    EXPECT_EQ(wrongPage.m_responseHead.rfind("HTTP/1.1 404", 0), 0u);
}

TEST(AttachServerTest, RefusedUploadsSayWhyWithoutSuccess)
{
    TestHome home("attachd-refusals");
    AttachServerProcess server(home.Temp() + "store");
    ASSERT_GT(server.Port(), 0);
    home.WriteFile("a.txt", "content");
    struct Case
    {
        std::vector<std::pair<std::string, int>> parts;
        std::string why;
    };
    for (const Case& c : {Case{{{"UserName", 0}, {"FileName1", 0}}, "no file"},
                          Case{{{"FileName1", 0}, {"File1", 1}}, "no user name"},
                          Case{{{"UserName", 0}, {"File1", 1}, {"File1", 1}},
                               "more than one file (field File1)"}}) {
        CMultipartForm form;
        for (const auto& [name, isFile] : c.parts)
            form.AddPart(name, isFile ? home.Home() + "a.txt" : (name == "UserName" ? "u" : ""),
                         isFile);
        CHttpClient client;
        client.m_contentType = "multipart/form-data; boundary=" + form.GetBoundary();
        form.Start();
        client.m_bodySource = &form;
        ASSERT_EQ(client.Request("POST", server.BaseUrl() + "upload.jsp"), 1);
        EXPECT_NE(client.m_textBody.find(c.why), std::string::npos) << client.m_textBody;
        EXPECT_EQ(client.m_textBody.find("SUCCESS"), std::string::npos);
    }
    CHttpClient plain;
    plain.m_bodyText = "UserName=u";
    ASSERT_EQ(plain.Request("POST", server.BaseUrl() + "upload.jsp"), 1);
    EXPECT_NE(plain.m_textBody.find("not a multipart form"), std::string::npos);
    EXPECT_EQ(server.Stop(), 0);
}

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
    const std::string copy = home.Home() + "temp/" + AttachmentDisplayName(name);
    EXPECT_EQ(download.out, copy + "\n");
    EXPECT_EQ(ReadFile(copy), "some notes\n");

    // A replacing upload leaves the file it replaces: delivered mail (a
    // forward, a copy) may still name it.
    home.WriteFile("local/notes.txt", "new notes\n");
    CommandResult replaced =
        Vellum({"upload", "--user", "王五", home.Home() + "local/notes.txt", "--replace", name});
    ASSERT_EQ(replaced.exitCode, 0) << replaced.err;
    std::filesystem::remove(copy);
    CommandResult kept = Vellum({"download", "--user", "赵六", name});
    ASSERT_EQ(kept.exitCode, 0) << kept.err;
    EXPECT_EQ(ReadFile(copy), "some notes\n");
}

// The sweep takes only what no mail names and what is older than the age
// given; a dry run only tells. Drafts and delivered copies both count.
TEST(TransferCommandsTest, SweepRemovesOnlyOldFilesThatNoMailNames)
{
    TestHome home("sweep");
    const std::string root = home.Temp() + "store";
    const std::string store = root + "/";
    AttachServerProcess server(root);
    ASSERT_GT(server.Port(), 0);
    home.WriteFile("data/tolvan.ini", "[.]\nHttpServer=" + server.BaseUrl() + "\n");
    std::vector<std::string> names;
    for (std::string file : {"draft.txt", "copy.txt", "orphan.txt", "fresh.txt"}) {
        home.WriteFile("local/" + file, file + " bytes");
        CommandResult upload = Vellum({"upload", "--user", "li", home.Home() + "local/" + file});
        ASSERT_EQ(upload.exitCode, 0) << upload.err;
        names.push_back(upload.out.substr(0, upload.out.size() - 1));
    }
    const std::string db = "Provider=SQLite;Data Source=" + home.Temp() + "mail.db";
    ASSERT_EQ(Vellum({"init-db", "--connect", db}).exitCode, 0);
    for (std::string sql :
         {"insert into SystemMail(MailFrom,Attachment) values ('li','" + names[0] + "')",
          "insert into SystemMailCopy(MailFrom,Attachment) values ('li','" + names[1] + "')"}) {
        ASSERT_EQ(Vellum({"sql", "--connect", db, sql}).exitCode, 0);
    }
    auto twoDaysAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    for (int old : {0, 1, 2})
        std::filesystem::last_write_time(store + names[old], twoDaysAgo);

    std::vector<std::string> sweep = {"sweep", "--connect",    db,  "--root",
                                      store,   "--older-than", "1d"};
    CommandResult dry = Vellum(sweep);
    ASSERT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_EQ(dry.out, names[2] +
                           "\t16\n1 files, 16 bytes would be freed (dry run: --remove removes "
                           "them)\n");
    EXPECT_TRUE(std::filesystem::exists(store + names[2]));

    sweep.push_back("--remove");
    CommandResult removed = Vellum(sweep);
    ASSERT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_EQ(removed.out, names[2] + "\t16\n1 files, 16 bytes freed\n");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(std::filesystem::exists(store + names[i]), i != 2) << names[i];
    EXPECT_FALSE(std::filesystem::exists(store + ".owners/" + names[2]));
}

TEST(TransferCommandsTest, UploadSaysWhatARefusalMeans)
{
    TestHome home("commands-refused");
    AttachServerProcess server(home.Temp() + "store", {"--max-size", "10"});
    ASSERT_GT(server.Port(), 0);
    home.WriteFile("data/tolvan.ini", "[.]\nHttpServer=" + server.BaseUrl() + "\n");
    home.WriteFile("local/big.bin", std::string(3 << 20, 'b'));
    CommandResult upload = Vellum({"upload", "--user", "u", home.Home() + "local/big.bin"});
    EXPECT_EQ(upload.exitCode, 1);
    EXPECT_NE(upload.err.find("文件超过服务器允许的大小 (HTTP 413)"), std::string::npos)
        << upload.err;
    EXPECT_NE(upload.err.find("vellum upload: the file is larger than the attachment server "
                              "accepts (HTTP 413)\n"),
              std::string::npos)
        << upload.err;
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
                                 "GET", "ftp://127.0.0.1/"});
    EXPECT_EQ(http.exitCode, 1) << "the ftp request does not run";
    EXPECT_EQ(http.out.substr(0, http.out.find("HTTP/1.1")),
              "result\t1\nreceived\t16\ncontent-length\t16\ncontent-type\ttext/plain\n"
              "error\tSendAndRecv get read event\\r\\n\n");
    EXPECT_NE(http.out.find("\n--\nfile not found\r\n"), std::string::npos) << http.out;
    EXPECT_NE(http.out.find("result\t-1\n"), std::string::npos);
}

// A file of `size` bytes that takes no disk space.
void MakeSparseFile(const std::string& path, uint64_t size)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary);
    std::filesystem::resize_file(path, size);
}

// Files go from the disk to the socket and from the socket to the disk:
// transfers far larger than any buffer keep the command a small process,
// and a file above the server's limit is refused from the head.
TEST(TransferCommandsTest, TransfersStreamInBoundedMemory)
{
    constexpr long kBound = 100 * 1024; // KiB
    TestHome home("commands-big");
    AttachServerProcess server(home.Temp() + "store", {"--max-size", std::to_string(600 << 20)});
    ASSERT_GT(server.Port(), 0);
    home.WriteFile("data/tolvan.ini", "[.]\nHttpServer=" + server.BaseUrl() + "\n");
    const std::string big = home.Home() + "local/big.bin";
    MakeSparseFile(big, 512u << 20);
    CommandResult upload = Vellum({"upload", "--user", "u", big});
    ASSERT_EQ(upload.exitCode, 0) << upload.err;
    EXPECT_LT(upload.peakResidentKb, kBound);
    std::string name = upload.out.substr(0, upload.out.size() - 1);
    CommandResult download = Vellum({"download", "--user", "u", name});
    ASSERT_EQ(download.exitCode, 0) << download.err;
    EXPECT_LT(download.peakResidentKb, kBound);
    const std::string copy = home.Home() + "temp/big.bin";
    EXPECT_EQ(std::filesystem::file_size(copy), 512u << 20);

    const std::string huge = home.Home() + "local/huge.bin";
    MakeSparseFile(huge, (4ull << 30) + 100);
    CommandResult refused = Vellum({"upload", "--user", "u", huge});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err.rfind("上传失败\r\n文件超过服务器允许的大小 (HTTP 413)\n", 0), 0u)
        << refused.err;
    EXPECT_LT(refused.peakResidentKb, kBound);
}

// A full disk (a small file system mounted over temp/ in a mount namespace of
// the command's own): the download says so in words, and neither a partial
// copy nor a staging file takes the place of the earlier copy.
TEST(TransferCommandsTest, ADownloadOntoAFullDiskSaysSoAndKeepsTheEarlierCopy)
{
    if (RunCommand("/usr/bin/unshare", {"-m", "true"}).exitCode != 0)
        GTEST_SKIP() << "no mount namespace for this user";
    TestHome home("commands-full");
    AttachServerProcess server(home.Temp() + "store");
    ASSERT_GT(server.Port(), 0);
    home.WriteFile("data/tolvan.ini", "[.]\nHttpServer=" + server.BaseUrl() + "\n");
    home.WriteFile("local/notes.bin", std::string(1 << 20, 'n'));
    CommandResult upload = Vellum({"upload", "--user", "u", home.Home() + "local/notes.bin"});
    ASSERT_EQ(upload.exitCode, 0) << upload.err;
    const std::string name = upload.out.substr(0, upload.out.size() - 1);
    const std::string script =
        "cd \"$VELLUM_HOME\" && mkdir -p temp && mount -t tmpfs -o size=256k tmpfs temp && "
        "printf 'earlier copy' > temp/notes.bin && TMPDIR=\"$VELLUM_HOME/temp\" "
        "\"$1\" download --user u \"$2\"; echo \"status $?\"; ls -A temp; cat temp/notes.bin";
    CommandResult full =
        RunCommand("/usr/bin/unshare",
                   {"-m", "sh", "-c", script, "sh", VELLUM_BINARY_DIR "/tools/vellum/vellum", name},
                   {{"VELLUM_CODEPAGE", "UTF-8"}});
    EXPECT_EQ(full.err, "下载失败\r\n磁盘已满, 文件没有保存\n");
    EXPECT_EQ(full.out, "status 1\nnotes.bin\nearlier copy");
}

} // namespace
