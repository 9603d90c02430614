// vellum-attachd's own rules, seen over HTTP: names that are not its own
// never reach a file, refusals say why without "SUCCESS", and SIGTERM stops
// it cleanly.
#include "AttachServerProcess.h"
#include "net/HttpClient.h"
#include "net/MultipartForm.h"
#include "net/TestHome.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vellum::testing::AttachServerProcess;
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
        client.Request("GET", server.BaseUrl() + "download.php?UserName=u&FileName=" + name);
        EXPECT_EQ(client.m_responseHead.rfind("HTTP/1.1 404", 0), 0u) << name;
        EXPECT_EQ(client.m_textBody, "file not found\r\n") << name;
        std::string disposition;
        EXPECT_EQ(client.GetHeader("Content-Disposition", disposition), 0) << name;
    }
    CHttpClient wrongPage;
    wrongPage.Request("GET", server.BaseUrl() + "download.jsp?FileName=x");
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
                          Case{{{"FileName1", 0}, {"File1", 1}}, "no user name"}}) {
        CMultipartForm form;
        for (const auto& [name, isFile] : c.parts)
            form.AddPart(name, isFile ? home.Home() + "a.txt" : (name == "UserName" ? "u" : ""),
                         isFile);
        CHttpClient client;
        client.m_contentType = "multipart/form-data; boundary=" + form.GetBoundary();
        client.m_body = form.GetBody();
        client.m_bodyLength = form.GetLength();
        ASSERT_EQ(client.Request("POST", server.BaseUrl() + "upload.jsp"), 1);
        EXPECT_NE(client.m_textBody.find(c.why), std::string::npos) << client.m_textBody;
        EXPECT_EQ(client.m_textBody.find("SUCCESS"), std::string::npos);
    }
    CHttpClient plain;
    plain.m_bodyText = "UserName=u";
    plain.Request("POST", server.BaseUrl() + "upload.jsp");
    EXPECT_NE(plain.m_textBody.find("not a multipart form"), std::string::npos);
    EXPECT_EQ(server.Stop(), 0);
}

} // namespace
