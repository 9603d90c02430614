// Attachment display and local copy names; then upload and download as the
// dialogs run them, against vellum-attachd and scripted servers on
// 127.0.0.1, with a scripted person at the desk.
#include "mail/AttachmentTransfer.h"

#include "AttachServerProcess.h"
#include "base/TraceLog.h"
#include "mail/AttachmentName.h"
#include "net/HttpClient.h"
#include "net/ScriptedServer.h"
#include "net/TestHome.h"
#include "platform/text/CodePage.h"
#include "platform/ui/ScriptedDesktop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <thread>

namespace {

using vellum::testing::AttachServerProcess;
using vellum::testing::ReadFile;
using vellum::testing::Response;
using vellum::testing::ScriptedServer;
using vellum::testing::TestHome;
using vellum::testing::WriteAll;
using vellum::text::FromUtf8;
using vellum::ui::ScriptedDesktop;

TEST(AttachmentNameTest, NamesThatCouldLeaveTheTempFolderAreReduced)
{
    EXPECT_EQ(LocalCopyName("report.pdf"), "report.pdf");
    EXPECT_EQ(LocalCopyName("..report.pdf"), "..report.pdf") << "not a \"..\" component";
    EXPECT_EQ(LocalCopyName("../../.profile"), ".profile");
    EXPECT_EQ(LocalCopyName("a/b/c.txt"), "c.txt");
    EXPECT_EQ(LocalCopyName("..\\..\\evil.bat"), "evil.bat");
    EXPECT_EQ(LocalCopyName(".."), "attachment");
    EXPECT_EQ(LocalCopyName("a/.."), "attachment");
    EXPECT_EQ(LocalCopyName("dir/"), "attachment");
    EXPECT_EQ(LocalCopyName("."), "attachment");
    EXPECT_EQ(LocalCopyName(std::string("a.txt\0/../../x", 14)), "a.txt") << "a NUL ends it";
    EXPECT_EQ(LocalCopyName(std::string("..\0x", 4)), "attachment");
}

TEST(AttachmentNameTest, NamesTooLongForAFileAreShortenedKeepingTheirExtension)
{
    vellum::text::SetHostCodePage("GBK");
    EXPECT_EQ(LocalCopyName(std::string(4000, 'n') + ".pdf"), std::string(196, 'n') + ".pdf");
    EXPECT_EQ(LocalCopyName("../" + std::string(300, 'n')), std::string(200, 'n'));
    // 2000 "张" are 4000 GBK bytes and 6000 in UTF-8: cut between characters.
    std::string chinese;
    for (int i = 0; i < 2000; ++i)
        chinese += "张";
    std::string expected = vellum::text::FromUtf8(chinese.substr(0, 65 * 3) + ".doc");
    EXPECT_EQ(LocalCopyName(vellum::text::FromUtf8(chinese + ".doc")), expected);
}

TEST(AttachmentNameTest, AGbkTrailByteThatLooksLikeABackslashIsNotASeparator)
{
    vellum::text::SetHostCodePage("GBK");
    // "乗" is 0x81 0x5C in GBK: its second byte is the backslash byte.
    std::string name = vellum::text::FromUtf8("乗.txt");
    ASSERT_EQ(name[1], '\\');
    EXPECT_EQ(LocalCopyName(name), name);
    std::string nested = vellum::text::FromUtf8("../乗.txt");
    EXPECT_EQ(LocalCopyName(nested), name);
}

// Names of the current form show (and save locally as) the file's own name;
// older names and look-alikes stay as they are.
TEST(AttachmentNameTest, TheFilesOwnNameFollowsTheUnguessablePart)
{
    vellum::text::SetHostCodePage("UTF-8");
    const std::string hex = "0123456789abcdef0123456789abcdef";
    struct Case
    {
        std::string stored, shown, local;
    };
    for (const Case& c : {
             Case{hex + "-" + "季度报告.pdf", "季度报告.pdf", "季度报告.pdf"},
             Case{"20261206232751-8e951b51.bin", "20261206232751-8e951b51.bin",
                  "20261206232751-8e951b51.bin"},
             Case{hex + "-" + "../../.profile", "../../.profile", ".profile"},
             Case{hex + "-", hex + "-", hex + "-"},
             Case{"0123456789ABCDEF0123456789abcdef-a.txt",
                  "0123456789ABCDEF0123456789abcdef-a.txt",
                  "0123456789ABCDEF0123456789abcdef-a.txt"},
             Case{hex + "_a.txt", hex + "_a.txt", hex + "_a.txt"},
         }) {
        EXPECT_EQ(AttachmentDisplayName(c.stored), c.shown) << c.stored;
        EXPECT_EQ(LocalCopyName(c.stored), c.local) << c.stored;
    }
}

std::string LastText(const ScriptedDesktop& desk)
{
    return desk.Messages().empty() ? std::string() : desk.Messages().back().text;
}

const ScriptedServer::Script kSendsBody = [](int fd, const std::string&) {
    return WriteAll(fd, Response("body", "Content-Disposition: attachment\r\n"));
};

class AttachmentTransferTest : public ::testing::Test
{
protected:
    AttachmentTransferTest() { vellum::text::SetHostCodePage("GBK"); }

    void UseServer(const std::string& base, const std::string& type = "")
    {
        home.WriteFile("data/tolvan.ini", "[.]\nHttpServer=" + base +
                                              (type.empty() ? "" : "\nServerType=" + type) + "\n");
    }
    std::string LocalFile(const std::string& name, const std::string& bytes)
    {
        home.WriteFile("local/" + name, bytes);
        return home.Home() + "local/" + name;
    }
    static AttachmentFields Fields(const std::string& user, const std::string& attachment = "")
    {
        AttachmentFields fields;
        fields.userName = fields.sender = user;
        fields.attachment = attachment;
        return fields;
    }

    TestHome home{"transfer"};
    ScriptedDesktop desk;
    vellum::ui::ScopedDesktop installed{desk};
};

// Every byte arrives, whatever the file holds: binary bytes, the system's
// fixed boundary with a closing delimiter, a fake part head after it.
TEST_F(AttachmentTransferTest, UploadThenDownloadRoundTripsEveryByteThroughTheServer)
{
    AttachServerProcess server(home.Temp() + "store");
    ASSERT_GT(server.Port(), 0);
    UseServer(server.BaseUrl());
    const std::string user = FromUtf8("张三");
    const std::string closing = "\r\n--#BOUNDARAY1234567890#--\r\n";
    // The send model uploads random files around the boundary; these are
    // the two shapes that once lost data.
    const std::string files[] = {
        std::string("PK\3\4\0") + closing,
        "head" + closing.substr(0, 25) +
            "\r\nContent-Disposition: form-data; name=\"File1\"; filename=\"x\"\r\n\r\nspliced",
    };
    for (const std::string& bytes : files) {
        desk.AnswerOpenFile(LocalFile("report.zip", bytes));
        AttachmentFields fields = Fields(user);
        EXPECT_EQ(UploadAttachment(fields), 1);
        EXPECT_TRUE(std::regex_match(fields.attachment, std::regex("[0-9a-f]{32}-report\\.zip")))
            << fields.attachment;
        // "testup.txt" holds the request as far as the file's bytes begin,
        // with the file's own name, not its path.
        std::string dump = ReadFile(home.Home() + "testup.txt");
        std::smatch separator;
        ASSERT_TRUE(std::regex_search(dump, separator,
                                      std::regex("^--#BOUNDARAY1234567890#[0-9a-f]{32}\r\n")));
        const std::string line = separator.str() + "Content-Disposition: form-data; name=\"";
        EXPECT_EQ(dump, line + "UserName\"\r\n\r\n" + user + "\r\n" + line +
                            "FileName1\"\r\n\r\n\r\n" + line +
                            "File1\"; filename=\"report.zip\"\r\n"
                            "Content-Type: application/octet-stream\r\n\r\n");

        std::filesystem::remove_all(home.Home() + "temp");
        std::string copy;
        EXPECT_EQ(DownloadAttachment(Fields(FromUtf8("李四"), fields.attachment), &copy), 1);
        EXPECT_EQ(copy, home.Home() + "temp/report.zip") << "saved under the file's own name";
        EXPECT_EQ(ReadFile(copy), bytes);
        EXPECT_EQ(desk.OpenedPaths().back(), copy);
    }
    EXPECT_TRUE(desk.Messages().empty()) << LastText(desk);

    // A file that grows while it goes out is stopped, never sent cut, and
    // the server keeps nothing of it.
    struct Growing : TransferRunner
    {
        std::string path;
        RequestOutcome Run(CHttpClient& client, const std::function<int()>& work) override
        {
            client.m_onProgress = [this](const CHttpClient&) {
                std::ofstream(path, std::ios::app) << "more";
            };
            return {work(), false};
        }
    } growing;
    growing.path = LocalFile("log.txt", "first line\n");
    auto stored = [&] {
        return std::distance(std::filesystem::directory_iterator(home.Temp() + "store"), {});
    };
    const auto before = stored();
    desk.AnswerOpenFile(growing.path);
    AttachmentFields fields = Fields(user);
    fields.runner = &growing;
    EXPECT_EQ(UploadAttachment(fields), 0);
    EXPECT_EQ(LastText(desk),
              FromUtf8("上传失败\r\n文件在上传过程中变大了, 没有上传: ") + growing.path);
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(desk.FileFilters().back(), FromUtf8("所有文件 (*.*)|*.*||"));
    EXPECT_EQ(desk.WaitCursorCount(), static_cast<int>(2 * std::size(files))) << "one per transfer";
    EXPECT_EQ(desk.WaitCursorDepth(), 0);
    EXPECT_EQ(server.Stop(), 0) << "stops cleanly on SIGTERM";
}

TEST_F(AttachmentTransferTest, UploadRefusalsShowTheirMessagesAndKeepTheField)
{
    AttachmentFields fields = Fields("alice", "old.txt");
    EXPECT_EQ(UploadAttachment(fields), 0);
    ASSERT_EQ(desk.Messages().size(), 1u);
    EXPECT_EQ(LastText(desk), FromUtf8("未定义服务器地址(data\\tolvan.ini)[./HttpServer]"));
    EXPECT_TRUE(desk.FileFilters().empty());

    AttachServerProcess server(home.Temp() + "store", {"--max-size", "10"});
    ASSERT_GT(server.Port(), 0);
    UseServer(server.BaseUrl());
    fields.sender = "bob";
    EXPECT_EQ(UploadAttachment(fields), 0);
    EXPECT_EQ(LastText(desk), FromUtf8("不可修改他人的上传文件"));
    EXPECT_TRUE(desk.FileFilters().empty());

    fields.sender = "alice";
    EXPECT_EQ(UploadAttachment(fields), 0) << "the user cancelled the file dialog";
    EXPECT_EQ(desk.Messages().size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(home.Home() + "testup.txt"));

    desk.AnswerOpenFile(LocalFile("big.txt", "more than ten bytes"));
    EXPECT_EQ(UploadAttachment(fields), 0);
    EXPECT_EQ(LastText(desk), FromUtf8("上传失败\r\n文件超过服务器允许的大小 (HTTP 413)"));
    EXPECT_EQ(fields.attachment, "old.txt");

    server.Stop();
    desk.AnswerOpenFile(LocalFile("small.txt", "tiny"));
    EXPECT_EQ(UploadAttachment(fields), 0);
    EXPECT_EQ(LastText(desk),
              FromUtf8("上传失败\r\n无法连接到 127.0.0.1:") + std::to_string(server.Port()));
    EXPECT_EQ(fields.attachment, "old.txt");
}

TEST_F(AttachmentTransferTest, TheReplyTextDecidesWhatTheFieldBecomes)
{
    struct Case
    {
        std::string reply;
        std::string type;
        int result;
        std::string field;
        std::string message;
    };
    for (const Case& c :
         {Case{"SUCCESS", "text/plain", 1, "", ""},
          Case{"ok SUCCESS&FileName1=x%20y.doc", "text/html", 1, "x y.doc", ""},
          Case{"SUCCESS?FileName1=a.bin", "application/octet-stream", 0, "keep",
               FromUtf8("上传失败\r\n服务器的回答无法识别")},
          Case{"denied", "text/plain", 0, "keep", FromUtf8("上传失败\r\n") + "denied"}}) {
        ScriptedDesktop scripted;
        vellum::ui::ScopedDesktop local(scripted);
        ScriptedServer server([&](int fd, const std::string&) {
            return WriteAll(fd, Response(c.reply, "Content-Type: " + c.type + "\r\n"));
        });
        UseServer(server.Url(), ".php");
        scripted.AnswerOpenFile(LocalFile("a.txt", "a"));
        AttachmentFields fields = Fields("u", "keep");
        EXPECT_EQ(UploadAttachment(fields), c.result) << c.reply;
        EXPECT_EQ(fields.attachment, c.field) << c.reply;
        std::string request = server.Request();
        EXPECT_EQ(request.rfind("POST /upload.php HTTP/1.0\r\n", 0), 0u);
        EXPECT_TRUE(std::regex_search(
            request, std::regex("\r\nContent-Type: multipart/form-data; "
                                "boundary=#BOUNDARAY1234567890#[0-9a-f]{32}\r\n")));
        EXPECT_EQ(LastText(scripted), c.message) << c.reply;
    }
}

TEST_F(AttachmentTransferTest, DownloadAddressEncodesTheUserButNotTheNameAndTheCopyStaysInTemp)
{
    ScriptedServer server(kSendsBody);
    UseServer(server.Url(), ".php");
    AttachmentFields fields = Fields(FromUtf8("张 三"), "../../a b.txt");
    std::string copy;
    EXPECT_EQ(DownloadAttachment(fields, &copy), 1);
    std::string request = server.Request();
    EXPECT_EQ(request.substr(0, request.find("\r\n")),
              "GET /download.php?UserName=%D5%C5%20%C8%FD&FileName=../../a b.txt HTTP/1.0");
    EXPECT_EQ(copy, home.Home() + "temp/a b.txt");
    EXPECT_EQ(ReadFile(copy), "body");
    EXPECT_FALSE(std::filesystem::exists(home.Home() + "../a b.txt"));
    EXPECT_TRUE(desk.Messages().empty()) << LastText(desk);
}

// A received mail's field is a server name, whatever it looks like: the
// sender cannot make the reader's desktop open a path of the reader's. And
// only types that run no code are opened; for the others the person reads
// where the copy is and may open its folder.
TEST_F(AttachmentTransferTest, TheFieldIsOnlyAServerNameAndOnlyViewedTypesAreOpened)
{
    struct Case
    {
        std::string field;
        std::string copy; // under temp/
        bool opened;
    };
    const Case cases[] = {
        {"/home/u/.bashrc", ".bashrc", false}, {"C:\\docs\\a.doc", "a.doc", true},
        {"run.sh", "run.sh", false},           {"start.desktop", "start.desktop", false},
        {"tool.JAR", "tool.JAR", false},       {"program", "program", false},
        {"page.html", "page.html", false},     {"Photo.JPG", "Photo.JPG", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        ScriptedServer server(kSendsBody);
        UseServer(server.Url());
        ScriptedDesktop scripted;
        vellum::ui::ScopedDesktop local(scripted);
        scripted.AnswerMessage(vellum::ui::MessageAnswer::No);
        std::string copy;
        EXPECT_EQ(DownloadAttachment(Fields("u", c.field), &copy), 1);
        EXPECT_NE(server.Request().find("&FileName=" + c.field + " HTTP/1.0"), std::string::npos);
        EXPECT_EQ(copy, home.Home() + "temp/" + c.copy);
        EXPECT_EQ(scripted.OpenedPaths(), std::vector<std::string>(c.opened, copy));
        EXPECT_EQ(
            LastText(scripted),
            c.opened
                ? ""
                : FromUtf8("附件已保存到:\r\n") + copy +
                      FromUtf8("\r\n这种文件可能含有程序, 没有直接打开。要打开它所在的文件夹吗?"));
    }
    EXPECT_EQ(DownloadAttachment(Fields("u")), 0) << "an empty field fetches nothing";
}

// Downloading again never undoes the person's edits: the new copy goes
// beside a changed one, the same bytes keep their name.
TEST_F(AttachmentTransferTest, ADownloadNeverOverwritesACopyThatHoldsOtherBytes)
{
    const std::string name = "0123456789abcdef0123456789abcdef-notes.txt";
    const std::string temp = home.Home() + "temp/";
    auto download = [&] {
        ScriptedServer server(kSendsBody);
        UseServer(server.Url());
        std::string copy;
        EXPECT_EQ(DownloadAttachment(Fields("u", name), &copy), 1);
        return copy;
    };
    EXPECT_EQ(download(), temp + "notes.txt");
    home.WriteFile("temp/notes.txt", "body, edited");
    EXPECT_EQ(download(), temp + "notes (2).txt");
    EXPECT_EQ(download(), temp + "notes (2).txt") << "the same bytes again keep their name";
    EXPECT_EQ(ReadFile(temp + "notes.txt"), "body, edited");
    EXPECT_EQ(ReadFile(temp + "notes (2).txt"), "body");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp), {}), 2)
        << "no staging file stays behind";
}

// Each failure is told in words under the system's title, its technical
// text goes to the trace log, and nothing is saved or opened: an error page
// never replaces a good earlier copy.
TEST_F(AttachmentTransferTest, FailuresAreToldInWordsAndTheTechnicalTextIsTraced)
{
    CloseTrace(); // the log opens again in this test's home
    // Waits the client's limit out in a moment instead of 90 s.
    struct ShortWait : TransferRunner
    {
        RequestOutcome Run(CHttpClient& client, const std::function<int()>& work) override
        {
            client.m_timeout = client.m_flowTimeout = 300;
            return {work(), false};
        }
    } shortWait;
    auto answering = [](const char* status) {
        return [status](int fd, const std::string&) {
            return WriteAll(fd, std::string("HTTP/1.0 ") + status +
                                    "\r\nContent-Type: text/plain\r\n\r\nsee the log\r\n");
        };
    };
    const ScriptedServer::Script silent = [](int, const std::string&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        return true;
    };
    const uint16_t closedPort = vellum::testing::FreePort();
    struct Case
    {
        bool upload;
        ScriptedServer::Script script; // none: a port nobody listens on
        std::string shown;
        std::string traced;
    };
    const Case cases[] = {
        {true, answering("507 Insufficient Storage"), "上传失败\r\n服务器磁盘已满 (HTTP 507)",
         "[HTTP/1.0 507 Insufficient Storage]"},
        {true, answering("413 Payload Too Large"),
         "上传失败\r\n文件超过服务器允许的大小 (HTTP 413)", "[HTTP/1.0 413 Payload Too Large]"},
        {true, silent, "上传失败\r\n服务器没有响应", "SendAndRecv::WSA_WAIT_TIMEOUT failure"},
        {false, nullptr, "下载失败\r\n无法连接到 127.0.0.1:" + std::to_string(closedPort),
         "CHiSocket::Connect error"},
        {false, answering("404 Not Found"), "下载失败\r\n服务器上没有这个文件 (HTTP 404)",
         "[HTTP/1.0 404 Not Found]"},
        {false, answering("503 Service Unavailable"),
         "下载失败\r\n服务器暂时不可用，请稍后再试 (HTTP 503)",
         "[HTTP/1.0 503 Service Unavailable]"},
        {false, answering("200 OK"), "下载失败\r\nsee the log\r\n", "[HTTP/1.0 200 OK]"},
    };
    const std::string name = "20200101000000-0000000a.bin";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        home.WriteFile("temp/" + name, "earlier copy");
        std::optional<ScriptedServer> server;
        if (c.script)
            server.emplace(c.script);
        UseServer(server ? server->Url() : "http://127.0.0.1:" + std::to_string(closedPort) + "/");
        AttachmentFields fields = Fields("u", name);
        fields.runner = &shortWait;
        if (c.upload)
            desk.AnswerOpenFile(LocalFile("a.txt", "a"));
        EXPECT_EQ(c.upload ? UploadAttachment(fields) : DownloadAttachment(fields), 0);
        EXPECT_EQ(LastText(desk), FromUtf8(c.shown));
        EXPECT_EQ(fields.attachment, name);
        EXPECT_EQ(ReadFile(home.Home() + "temp/" + name), "earlier copy");
        std::string trace = ReadFile(home.Home() + "trace.log");
        EXPECT_NE(trace.find(c.traced), std::string::npos) << trace;
    }
    EXPECT_TRUE(desk.OpenedPaths().empty());
    CloseTrace();
}

// No program for the file: the person reads where the copy is and may open
// its folder. The copy has the file's own name, and no temporary copy is
// left behind once the download is over.
TEST_F(AttachmentTransferTest, ACopyNoProgramOpensSaysWhereItIsAndLeavesNoTemporaryCopy)
{
    vellum::text::SetHostCodePage("UTF-8");
    ScriptedServer server([](int fd, const std::string&) {
        return WriteAll(fd,
                        Response(std::string(100000, 'p'), "Content-Type: application/pdf\r\n"
                                                           "Content-Disposition: attachment\r\n"));
    });
    UseServer(server.Url());
    desk.SetShellOpenSucceeds(false);
    desk.AnswerMessage(vellum::ui::MessageAnswer::Yes);
    const std::string stored = "0123456789abcdef0123456789abcdef-季度报告.pdf";
    std::string copy;
    EXPECT_EQ(DownloadAttachment(Fields("u", stored), &copy), 1);
    EXPECT_NE(server.Request().find("&FileName=" + stored + " HTTP/1.0"), std::string::npos);
    EXPECT_EQ(copy, home.Home() + "temp/季度报告.pdf");
    EXPECT_EQ(ReadFile(copy).size(), 100000u);
    EXPECT_EQ(LastText(desk),
              "附件已保存到:\r\n" + copy + "\r\n没有找到可以打开它的程序。要打开它所在的文件夹吗?");
    EXPECT_EQ(desk.OpenedPaths(), (std::vector<std::string>{copy, home.Home() + "temp/"}));
    EXPECT_TRUE(std::filesystem::is_empty(home.Temp())) << "no http*.tmp stays behind";
}

// Faults of the attachment server and the proxy while a download runs: each
// ends with a message (or, for a slow server, the whole file), and a copy
// saved before is neither torn nor lost.
TEST_F(AttachmentTransferTest, ServerAndProxyFaultsEndWithAMessageAndKeepTheEarlierCopy)
{
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
                             "Content-Disposition: attachment\r\nContent-Length: 8000\r\n\r\n";
    const std::string file(8000, 'n');
    struct Case
    {
        const char* what;
        ScriptedServer::Script script;
        std::string message; // empty: the download succeeds
    };
    const Case cases[] = {
        {"slow server",
         [&](int fd, const std::string&) {
             WriteAll(fd, head);
             for (size_t at = 0; at < file.size(); at += 2000) {
                 std::this_thread::sleep_for(std::chrono::milliseconds(300));
                 WriteAll(fd, file.substr(at, 2000));
             }
             return true;
         },
         ""},
        {"reset mid-body",
         [&](int fd, const std::string&) {
             WriteAll(fd, head + file.substr(0, 3000));
             std::this_thread::sleep_for(std::chrono::milliseconds(100));
             vellum::testing::CloseConnection(fd, true);
             return false;
         },
         FromUtf8("下载失败\r\n连接中断, 只收到字节") + " 3000/8000\r\n"},
        {"length above 4 GiB",
         [&](int fd, const std::string&) {
             return WriteAll(fd, "HTTP/1.0 200 OK\r\nContent-Disposition: attachment\r\n"
                                 "Content-Length: 4294967396\r\n\r\n" +
                                     file.substr(0, 3975));
         },
         FromUtf8("下载失败\r\n连接中断, 只收到字节") + " 3975/4294967396\r\n"},
        {"head without end",
         [](int fd, const std::string&) {
             bool open = WriteAll(fd, "HTTP/1.0 200 OK\r\n");
             for (int i = 0; open && i < 100000; ++i)
                 open = WriteAll(fd, "X-Again: and again\r\n");
             return true;
         },
         FromUtf8("下载失败\r\n服务器的回答无法识别")},
    };
    const std::string name = "20200101000000-0000000a.pdf";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        home.WriteFile("temp/" + name, "earlier copy");
        ScriptedServer server(c.script);
        UseServer(server.Url());
        size_t shown = desk.Messages().size();
        std::string copy;
        EXPECT_EQ(DownloadAttachment(Fields("u", name), &copy), c.message.empty() ? 1 : 0);
        EXPECT_EQ(desk.Messages().size(), shown + (c.message.empty() ? 0 : 1));
        if (!c.message.empty()) {
            EXPECT_EQ(LastText(desk), c.message);
        }
        EXPECT_EQ(ReadFile(home.Home() + "temp/" + name), "earlier copy");
        EXPECT_EQ(copy.empty() ? "" : ReadFile(copy), c.message.empty() ? file : "");
    }

    // A proxy that is down: the message names the proxy.
    const std::string proxyPort = std::to_string(vellum::testing::FreePort());
    home.WriteFile("httpclient.ini",
                   "[HttpClient]\nProxyType=1\nProxyServer=127.0.0.1\nProxyPort=" + proxyPort +
                       "\n");
    UseServer("http://127.0.0.1:9/");
    EXPECT_EQ(DownloadAttachment(Fields("u", name)), 0);
    EXPECT_EQ(LastText(desk), FromUtf8("下载失败\r\n无法连接到代理服务器 127.0.0.1:") + proxyPort);
    EXPECT_EQ(ReadFile(home.Home() + "temp/" + name), "earlier copy");
}

// Names from another user's mail: whatever they hold, the copy lands
// directly in "temp/" under a name the file system takes.
TEST_F(AttachmentTransferTest, HostileNamesStillLandInsideTemp)
{
    const std::string names[] = {
        "../../../etc/cron.d/x.txt",
        std::string("a.txt\0/../../x", 14),
        std::string(4000, 'n') + ".txt",
        "..\\..\\" + FromUtf8(std::string(1300, 'x') + "张.txt"),
    };
    for (const std::string& name : names) {
        ScriptedServer server(kSendsBody);
        UseServer(server.Url());
        std::string copy;
        EXPECT_EQ(DownloadAttachment(Fields("u", name), &copy), 1) << name.substr(0, 30);
        EXPECT_EQ(copy.rfind(home.Home() + "temp/", 0), 0u) << copy.substr(0, 80);
        EXPECT_EQ(copy.find('/', home.Home().size() + 5), std::string::npos) << copy.substr(0, 80);
        EXPECT_EQ(ReadFile(vellum::text::ToUtf8(copy)), "body") << copy.substr(0, 80);
    }
    EXPECT_TRUE(desk.Messages().empty()) << LastText(desk);
}

} // namespace
