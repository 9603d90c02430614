// The proxy path: "httpclient.ini" read once per client object, the request
// line a proxy receives, and a whole exchange through a real tinyproxy that
// the test runs itself on a free 127.0.0.1 port with its own configuration.
#include "net/HttpClient.h"
#include "net/ScriptedServer.h"
#include "net/TestHome.h"
#include "net/Tinyproxy.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

using vellum::testing::Answer;
using vellum::testing::Response;
using vellum::testing::ScriptedServer;
using vellum::testing::TestHome;
using vellum::testing::Tinyproxy;

std::string ProxySettings(int type, const std::string& server, int port)
{
    return "[HttpClient]\nProxyType=" + std::to_string(type) + "\nProxyServer=" + server +
           "\nProxyPort=" + std::to_string(port) + "\n";
}

TEST(ProxyTest, TheProxyIsUsedOnlyWhenTypeServerAndPortAreAllGiven)
{
    TestHome home("proxy-settings");
    // The settings and the proxy mode they give.
    using Case = std::pair<std::string, int>;
    for (const auto& [ini, mode] :
         {Case{ProxySettings(1, "127.0.0.1", 3128), 4},
          Case{ProxySettings(4, "proxy.local", 8080), 4},
          Case{ProxySettings(0, "127.0.0.1", 3128), 0}, Case{ProxySettings(1, "", 3128), 0},
          Case{ProxySettings(1, "127.0.0.1", 0), 0}, Case{"", 0}}) {
        home.WriteFile("httpclient.ini", ini);
        CHttpClient client;
        EXPECT_EQ(client.m_proxyMode, mode) << ini;
        if (mode == 4) {
            EXPECT_NE(ini.find("ProxyServer=" + client.m_proxyHost + "\n"), std::string::npos);
        }
    }
}

TEST(ProxyTest, AProxyGetsTheFullUrlAndTheTargetsHostLine)
{
    TestHome home("proxy-line");
    ScriptedServer proxy(Answer(Response("via proxy", "Content-Type: text/plain\r\n")));
    home.WriteFile("httpclient.ini", ProxySettings(1, "127.0.0.1", proxy.Port()));
    CHttpClient client;
    // Read once: a later change of the file does not reach this object.
    home.WriteFile("httpclient.ini", ProxySettings(0, "", 0));
    ASSERT_EQ(client.Request("GET", "http://127.0.0.1:81/a?x=1"), 1);
    EXPECT_EQ(proxy.Request(), "GET http://127.0.0.1:81/a?x=1 HTTP/1.0\r\nAccept: */*\r\n"
                               "User-Agent: Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.1;+SV1)"
                               "\r\nHost: 127.0.0.1:81\r\n\r\n");
    EXPECT_EQ(client.m_textBody, "via proxy");
}

TEST(ProxyTest, AWholeExchangeRunsThroughTinyproxy)
{
    TestHome home("tinyproxy");
    Tinyproxy proxy(home);
    ASSERT_TRUE(proxy.WaitReady()) << "tinyproxy did not start";
    ScriptedServer server(
        Answer(Response("through the proxy", "Content-Type: text/plain\r\nSet-Cookie: s=42\r\n")));
    home.WriteFile("httpclient.ini", ProxySettings(1, "127.0.0.1", proxy.Port()));
    CHttpClient client;
    client.m_flowTimeout = 2000;
    ASSERT_EQ(client.Request("GET", server.Url("/via?q=1")), 1);
    std::string forwarded = server.Request();
    EXPECT_EQ(forwarded.rfind("GET /via?q=1 HTTP/1.", 0), 0u) << forwarded;
    EXPECT_NE(forwarded.find("Host: 127.0.0.1:" + std::to_string(server.Port())),
              std::string::npos);
    EXPECT_EQ(client.m_textBody, "through the proxy");
    EXPECT_EQ(client.m_cookieJar.m_entries, std::vector<std::string>{"s=42"});
}

} // namespace
