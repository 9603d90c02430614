// https between the module and vellum-attachd serving TLS itself, on
// 127.0.0.1: certificates made here with the openssl command, as an
// administrator would; the client trusts the test's CA through CAFile in
// "httpclient.ini". A good certificate carries an upload and its download;
// each bad one is refused in words before any request reaches the server.
#include "AttachServerProcess.h"
#include "mail/AttachmentTransfer.h"
#include "net/TestHome.h"
#include "net/Tinyproxy.h"
#include "platform/text/CodePage.h"
#include "platform/ui/ScriptedDesktop.h"
#include "support/TestCertificates.h"

#include <gtest/gtest.h>

namespace {

using vellum::testing::AttachServerProcess;
using vellum::testing::MakeCertificate;
using vellum::testing::ReadFile;
using vellum::testing::TestHome;
using vellum::testing::Tinyproxy;
using vellum::text::FromUtf8;

TEST(TlsTransferTest, OnlyAVerifiedServerGetsTheFileAndEveryRefusalSaysWhy)
{
    vellum::text::SetHostCodePage("GBK");
    TestHome home("tls");
    vellum::ui::ScriptedDesktop desk;
    vellum::ui::ScopedDesktop installed{desk};
    const std::string dir = home.Temp();
    ASSERT_TRUE(MakeCertificate(dir, "ca"));
    ASSERT_TRUE(MakeCertificate(dir, "self", "IP:127.0.0.1"));
    ASSERT_TRUE(MakeCertificate(dir, "good", "IP:127.0.0.1,DNS:localhost", "ca"));
    ASSERT_TRUE(MakeCertificate(dir, "other", "DNS:elsewhere.example", "ca"));
    ASSERT_TRUE(MakeCertificate(dir, "expired", "IP:127.0.0.1", "ca", -1));
    // Many TLS records, so that sends which would block come back, and long
    // enough that the server's session tickets arrive while the body is
    // still going out (an upload once stalled on them).
    std::string bytes(48 << 20, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7919 >> 5);
    home.WriteFile("local/big.bin", bytes);

    Tinyproxy proxy(home);
    ASSERT_TRUE(proxy.WaitReady());
    struct Case
    {
        const char* certificate;
        const char* host;
        bool trustCa;
        bool proxied;        // through tinyproxy's CONNECT tunnel
        const char* refusal; // null: the round trip succeeds
    };
    const Case cases[] = {
        {"good", "127.0.0.1", true, false, nullptr},
        {"good", "localhost", true, false, nullptr},
        {"good", "127.0.0.1", true, true, nullptr},
        {"good", "127.0.0.1", false, false, "签发证书的机构不受信任"},
        {"other", "127.0.0.1", true, false, "证书上的名称不是 127.0.0.1"},
        {"other", "127.0.0.1", true, true, "证书上的名称不是 127.0.0.1"},
        {"expired", "127.0.0.1", true, false, "证书已过期"},
        {"self", "127.0.0.1", true, false, "证书是服务器自己签发的, 不受信任"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.certificate) + " " + c.host);
        const std::string store = dir + "store" + std::to_string(&c - cases);
        AttachServerProcess server(store, {"--tls-cert", dir + c.certificate + ".pem", "--tls-key",
                                           dir + c.certificate + ".key"});
        ASSERT_GT(server.Port(), 0);
        home.WriteFile("httpclient.ini",
                       "[HttpClient]\n" + (c.trustCa ? "CAFile=" + dir + "ca.pem\n" : "") +
                           (c.proxied ? "ProxyType=1\nProxyServer=127.0.0.1\nProxyPort=" +
                                            std::to_string(proxy.Port()) + "\n"
                                      : ""));
        home.WriteFile("data/tolvan.ini", "[.]\nHttpServer=https://" + std::string(c.host) + ":" +
                                              std::to_string(server.Port()) + "/\n");
        desk.AnswerOpenFile(home.Home() + "local/big.bin");
        AttachmentFields fields;
        fields.userName = fields.sender = "u";
        EXPECT_EQ(UploadAttachment(fields), c.refusal ? 0 : 1);
        if (c.refusal) {
            ASSERT_FALSE(desk.Messages().empty());
            EXPECT_EQ(desk.Messages().back().text,
                      FromUtf8(std::string("上传失败\r\n服务器证书无法验证：") + c.refusal));
            EXPECT_EQ(ReadFile(store + ".log").find("upload"), std::string::npos)
                << "no request reached the server";
            continue;
        }
        std::string copy;
        ASSERT_EQ(DownloadAttachment(fields, &copy), 1);
        EXPECT_EQ(ReadFile(copy), bytes);
    }
}

} // namespace
