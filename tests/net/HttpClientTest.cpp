// The HTTP client against scripted peers on 127.0.0.1: the request bytes as
// the server receives them, the response storage, the endings of the event
// loop and their messages.
#include "net/HttpClient.h"

#include "base/TraceLog.h"
#include "net/ScriptedServer.h"
#include "net/TestHome.h"
#include "platform/text/CodePage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <regex>
#include <thread>
#include <tuple>
#include <utility>

namespace {

using vellum::testing::Answer;
using vellum::testing::CloseConnection;
using vellum::testing::ReadFile;
using vellum::testing::Response;
using vellum::testing::ScriptedServer;
using vellum::testing::TestHome;
using vellum::testing::WriteAll;
using vellum::text::FromUtf8;

const std::string kAgent = "Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.1;+SV1)";
// How a message of the event loop ending on a timeout (or the abort) begins.
const std::string kWaitTimeout = "SendAndRecv::WSA_WAIT_TIMEOUT failure(Send 0/0/";

std::string HostLine(const ScriptedServer& server)
{
    return "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n";
}

class HttpClientTest : public ::testing::Test
{
protected:
    // The request `client` sends as `method` to a server that answers an
    // empty 200, without the host line (each server has its own port).
    static std::string Sent(CHttpClient& client, const char* method, bool readBody = true)
    {
        ScriptedServer server(Answer(Response("")), readBody);
        client.m_flowTimeout = 50;
        EXPECT_EQ(client.Request(method, server.Url()), 1);
        std::string request = server.Request();
        size_t host = request.find(HostLine(server));
        return host == std::string::npos ? request : request.erase(host, HostLine(server).size());
    }

    TestHome home{"http"};
};

TEST_F(HttpClientTest, PostHeadCarriesOptionalLinesBodyTypeAndLengthInOrder)
{
    std::string body = "field=1&x=2";
    ScriptedServer server(Answer(Response("done", "Content-Type: text/html\r\n")));
    CHttpClient client;
    client.m_referer = "http://127.0.0.1/from";
    client.m_soapAction = "urn:act";
    client.m_extraHeaders = "X-One: 1\r\nX-Two: 2\r\n";
    client.m_body = body.data();
    client.m_bodyLength = static_cast<int>(body.size());
    ASSERT_EQ(client.Request("POST", server.Url("/up")), 1);
    EXPECT_EQ(server.Request(), "POST /up HTTP/1.0\r\nAccept: */*\r\n"
                                "Referer: http://127.0.0.1/from\r\n"
                                "User-Agent: " +
                                    kAgent +
                                    "\r\nSOAPAction: \"urn:act\"\r\nX-One: 1\r\nX-Two: 2\r\n"
                                    "Content-Type: text/html\r\nContent-Length: 11\r\n" +
                                    HostLine(server) + "\r\n" + body);
    EXPECT_EQ(client.m_bodyBytesSent, 11);
}

TEST_F(HttpClientTest, BodyLengthRulesDependOnTheExactMethodName)
{
    CHttpClient empty;
    empty.m_contentType.clear();
    EXPECT_EQ(Sent(empty, "POST"), "POST / HTTP/1.0\r\nAccept: */*\r\nUser-Agent: " + kAgent +
                                       "\r\nContent-Length: 0\r\n\r\n");
    CHttpClient text;
    text.m_bodyText = "text body";
    std::string request = Sent(text, "POST");
    EXPECT_NE(request.find("Content-Length: 9\r\n"), std::string::npos);
    EXPECT_EQ(request.substr(request.size() - 9), "text body");

    // "post" is not "POST": no type, no length, and GET drops the body.
    CHttpClient lowerCase;
    lowerCase.m_bodyText = "ignored";
    EXPECT_EQ(Sent(lowerCase, "post", false).find("Content-"), std::string::npos);
    std::string body = "abc";
    CHttpClient getter;
    getter.m_body = body.data();
    getter.m_bodyLength = 3;
    EXPECT_EQ(Sent(getter, "GET").find("abc"), std::string::npos);
    EXPECT_EQ(getter.m_bodyLength, 0);
}

TEST_F(HttpClientTest, OnlyHttpUrlsAreRequestedAndConnectFailuresReturnZero)
{
    CHttpClient client;
    // Which URLs split is the URL tests' business; here only that a refused one is -1.
    EXPECT_EQ(client.Request("GET", "ftp://127.0.0.1/"), -1);

    std::string closed = "http://127.0.0.1:" + std::to_string(vellum::testing::FreePort()) + "/";
    EXPECT_EQ(client.Request("GET", closed), 0);
    EXPECT_EQ(client.GetLastErrorText(), "CHiSocket::Connect error\r\n");
}

TEST_F(HttpClientTest, ServerClosingWithoutAnAnswerEndsWhenTheFirstWaitRunsOut)
{
    ScriptedServer server([](int, const std::string&) { return true; });
    CHttpClient client;
    client.m_timeout = 300;
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(client.Request("GET", server.Url()), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
    EXPECT_EQ(client.m_bytesReceived, 0);
    EXPECT_TRUE(client.m_responseHead.empty());
    EXPECT_EQ(client.GetLastErrorText().rfind(kWaitTimeout, 0), 0u);
}

TEST_F(HttpClientTest, AResetWhileReadingIsNotedAsTheCloseAndTheShortWaitEndsTheLoop)
{
    ScriptedServer server([](int fd, const std::string&) {
        WriteAll(fd, "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\npart");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        CloseConnection(fd, true);
        return false;
    });
    CHttpClient client;
    client.m_flowTimeout = 300;
    ASSERT_EQ(client.Request("GET", server.Url()), 1);
    EXPECT_EQ(client.m_textBody, "part");
    EXPECT_EQ(client.m_connected, 0);
    EXPECT_EQ(client.GetLastErrorText().rfind(kWaitTimeout, 0), 0u);
}

TEST_F(HttpClientTest, TextAndXmlTypesGoToTheTextBodyEverythingElseToTheTemporaryFile)
{
    using Case = std::pair<const char*, int>;
    for (auto [headLine, nonText] :
         {Case{"Content-Type: text/xml\r\n", 0}, Case{"Content-Type: application/xml\r\n", 0},
          Case{"Content-Type: application/octet-stream\r\n", 1},
          Case{"Content-Type: Text/Plain\r\n", 1}, Case{"", 1}}) {
        std::string body("bin\0ary", 7);
        ScriptedServer server(Answer(Response(body, headLine)));
        CHttpClient client;
        ASSERT_EQ(client.Request("GET", server.Url()), 1) << headLine;
        EXPECT_EQ(client.m_nonTextBody, nonText) << headLine;
        EXPECT_EQ(client.m_bytesReceived, 7) << headLine;
        if (nonText) {
            EXPECT_TRUE(client.m_textBody.empty());
            std::string saved = home.Home() + "saved.bin";
            EXPECT_EQ(client.SaveToFile(saved), 1);
            EXPECT_EQ(ReadFile(saved), body) << headLine;
            EXPECT_TRUE(std::filesystem::exists(client.m_tempFilePath)) << "kept after saving";
        } else {
            EXPECT_EQ(client.m_textBody, "bin") << "a zero byte ends the text";
        }
    }
}

// The temporary file stays while the object lives and goes with it; what
// SaveToFile stored survives both the next response and the object.
TEST_F(HttpClientTest, ASavedBodySurvivesTheObjectsNextResponseAndTheObject)
{
    std::string saved = home.Home() + "first.bin";
    std::string temporary;
    {
        CHttpClient client;
        temporary = client.m_tempFilePath;
        {
            ScriptedServer server(Answer(Response("first body", "Content-Type: image/gif\r\n")));
            ASSERT_EQ(client.Request("GET", server.Url()), 1);
            EXPECT_EQ(client.SaveToFile(saved), 1);
            EXPECT_EQ(client.SaveToFile(saved), 1) << "saving twice to one name";
            EXPECT_EQ(client.SaveToFile(client.m_tempFilePath), 1) << "saving onto itself";
        }
        {
            ScriptedServer server(Answer(Response("second", "Content-Type: image/gif\r\n")));
            ASSERT_EQ(client.Request("GET", server.Url()), 1);
            EXPECT_EQ(client.SaveToFile(home.Home() + "second.bin"), 1);
        }
        EXPECT_EQ(ReadFile(temporary), "second") << "the temporary file stays";
    }
    EXPECT_FALSE(std::filesystem::exists(temporary));
    EXPECT_EQ(ReadFile(saved), "first body");
    EXPECT_EQ(ReadFile(home.Home() + "second.bin"), "second");
}

TEST_F(HttpClientTest, StorageFailuresRecordTheirMessagesAndTheNextPieceTriesAgain)
{
    CHttpClient client;
    std::string goodPath = client.m_tempFilePath;
    client.m_tempFilePath = home.Home() + "missing/folder/x.tmp";
    client.m_url = "http://127.0.0.1/";
    char head[] = "HTTP/1.0 200 OK\r\nContent-Type: application/zip\r\n\r\nabc\0room";
    EXPECT_EQ(client.OnData(head, static_cast<int>(std::strlen(head))), 1);
    EXPECT_EQ(client.m_state, CHttpClient::kReceivingBody);
    EXPECT_EQ(client.m_bytesReceived, 0) << "the piece is dropped";
    EXPECT_EQ(client.GetLastErrorText(), FromUtf8("CHttpClient 创建临时文件失败!"));
    client.m_tempFilePath = goodPath;
    char piece[] = "def\0room";
    EXPECT_EQ(client.OnData(piece, 3), 1);
    EXPECT_EQ(client.m_bytesReceived, 3);
    EXPECT_EQ(client.SaveToFile(home.Home() + "zip.bin"), 0) << "a body missing a piece is none";
    EXPECT_FALSE(std::filesystem::exists(home.Home() + "zip.bin"));

    ScriptedServer text(Answer(Response("abc", "Content-Type: text/plain\r\n")));
    ASSERT_EQ(client.Request("GET", text.Url()), 1);
    EXPECT_EQ(client.SaveToFile(home.Home() + "missing/out.txt"), 0);
    EXPECT_EQ(client.GetLastErrorText(), FromUtf8("无法创建目标文件"));
    EXPECT_EQ(client.SaveToFile(home.Home() + "out.txt"), 1);
    EXPECT_EQ(ReadFile(home.Home() + "out.txt"), "abc");
}

TEST_F(HttpClientTest, AbortEventFromAnotherThreadEndsTheLoopLikeATimeout)
{
    ScriptedServer server([](int, const std::string&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        return true;
    });
    CHttpClient client;
    std::thread aborter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        client.m_abortEvent.Signal();
    });
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(client.Request("GET", server.Url()), 1);
    aborter.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1200));
    EXPECT_EQ(client.GetLastErrorText().rfind(kWaitTimeout, 0), 0u);
}

TEST_F(HttpClientTest, TraceSwitchWritesThreeLinesPerRequest)
{
    ScriptedServer server(Answer(Response("x", "Content-Type: text/plain\r\n")));
    CHttpClient client;
    client.m_trace = 1;
    ASSERT_EQ(client.Request("GET", server.Url()), 1);
    CloseTrace();
    std::string trace = ReadFile(home.Home() + "trace.log");
    std::regex lines("[0-9a-f]{8} CHttpClient::Request send header\r\n"
                     "[0-9a-f]{8} CHttpClient::Request send and recv header\r\n"
                     "[0-9a-f]{8} CHttpClient::Request read ok\r\n");
    EXPECT_TRUE(std::regex_match(trace, lines)) << trace;

    ScriptedServer quiet(Answer(Response("x")));
    CHttpClient silent;
    EXPECT_EQ(silent.Request("GET", quiet.Url()), 1);
    CloseTrace();
    EXPECT_EQ(ReadFile(home.Home() + "trace.log"), trace);
}

} // namespace

// A peer that never stops sending: the head and a text body stop at their
// bounds with a message, so memory stays bounded; a file body larger than the
// text bound still arrives whole, on disk.
TEST_F(HttpClientTest, EndlessHeadsAndTextBodiesStopAtTheirBoundsFileBodiesArriveWhole)
{
    // Sends `head` then `fill` until the client goes away (or 64 MiB).
    auto endless = [](std::string head, std::string fill) {
        return [head, fill](int fd, const std::string&) {
            bool open = WriteAll(fd, head);
            for (size_t sent = 0; open && sent < (64u << 20); sent += fill.size())
                open = WriteAll(fd, fill);
            return true;
        };
    };
    const std::string headTooLong = FromUtf8("CHttpClient 响应头超过 100 KB, 已停止接收");
    const std::string textTooLong = FromUtf8("CHttpClient 文本响应超过 16 MB, 已停止接收");
    std::string lines;
    for (int i = 0; i < 1000; ++i)
        lines += "X-Filler: " + std::to_string(i) + "\r\n";
    const std::tuple<const char*, ScriptedServer::Script, std::string> cases[] = {
        {"header lines without end", endless("HTTP/1.0 200 OK\r\n", lines), headTooLong},
        {"one header line without end", endless("HTTP/1.0 200 OK\r\nX: ", std::string(8192, 'a')),
         headTooLong},
        {"text body without end",
         endless(Response("", "Content-Type: text/plain\r\n", false), std::string(8192, 't')),
         textTooLong},
    };
    for (const auto& [what, script, message] : cases) {
        ScriptedServer server(script);
        CHttpClient client;
        ASSERT_EQ(client.Request("GET", server.Url()), 1) << what;
        EXPECT_EQ(client.GetLastErrorText(), message) << what;
        EXPECT_LT(client.m_responseHead.size(), CHttpClient::kHeadLimit + 4096) << what;
        EXPECT_LE(client.m_textBody.size(), CHttpClient::kTextBodyLimit) << what;
        EXPECT_FALSE(client.IsOpen()) << what;
    }

    std::string file(CHttpClient::kTextBodyLimit + 12345, 'f');
    ScriptedServer server(Answer(Response(file, "Content-Type: application/zip\r\n")));
    CHttpClient client;
    ASSERT_EQ(client.Request("GET", server.Url()), 1);
    EXPECT_EQ(client.m_bytesReceived, static_cast<int>(file.size()));
    ASSERT_EQ(client.SaveToFile(home.Home() + "big.zip"), 1);
    EXPECT_EQ(std::filesystem::file_size(home.Home() + "big.zip"), file.size());
}
