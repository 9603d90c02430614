// https between the module and vellum-attachd serving TLS itself, on
// 127.0.0.1: certificates made here with the openssl command, as an
// administrator would; the client trusts the test's CA through CAFile in
// "httpclient.ini". A good certificate carries an upload and its download;
// each bad one is refused in words before a byte of the request goes out.
#include "AttachServerProcess.h"
#include "mail/AttachmentTransfer.h"
#include "net/HttpClient.h"
#include "net/TestHome.h"
#include "net/Tinyproxy.h"
#include "platform/text/CodePage.h"
#include "platform/ui/ScriptedDesktop.h"
#include "support/RunCommand.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using vellum::testing::AttachServerProcess;
using vellum::testing::ReadFile;
using vellum::testing::RunCommand;
using vellum::testing::TestHome;
using vellum::testing::Tinyproxy;
using vellum::text::FromUtf8;

int Openssl(const std::vector<std::string>& args)
{
    return RunCommand("/usr/bin/openssl", args).exitCode;
}

// A key and a certificate for `names` (subjectAltName), issued by the test's
// CA or, without one, by itself; `days` -1 makes one that has expired.
void Issue(const std::string& dir, const std::string& name, const std::string& names,
           const std::string& issuer = "ca", int days = 2)
{
    const std::string stem = dir + name;
    std::ofstream(stem + ".ext") << "subjectAltName=" << names << "\n";
    ASSERT_EQ(Openssl({"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                       "-keyout", stem + ".key", "-out", stem + ".csr", "-subj", "/CN=" + name}),
              0);
    std::vector<std::string> sign = {"x509",     "-req",        "-in",   stem + ".csr",
                                     "-out",     stem + ".pem", "-days", std::to_string(days),
                                     "-extfile", stem + ".ext"};
    for (const std::string& word : issuer.empty()
                                       ? std::vector<std::string>{"-key", stem + ".key"}
                                       : std::vector<std::string>{"-CA", dir + issuer + ".pem",
                                                                  "-CAkey", dir + issuer + ".key"})
        sign.push_back(word);
    ASSERT_EQ(Openssl(sign), 0) << name;
}

// Keeps the client of the transfer's request to look at afterwards.
struct Watching : TransferRunner
{
    int64_t bytesSent = -1;
    RequestOutcome Run(CHttpClient& client, const std::function<int()>& work) override
    {
        int result = work();
        bytesSent = client.m_bytesSent;
        return {result, false};
    }
};

TEST(TlsTransferTest, OnlyAVerifiedServerGetsTheFileAndEveryRefusalSaysWhy)
{
    vellum::text::SetHostCodePage("GBK");
    TestHome home("tls");
    vellum::ui::ScriptedDesktop desk;
    vellum::ui::ScopedDesktop installed{desk};
    const std::string dir = home.Temp();
    ASSERT_EQ(Openssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256",
                       "-nodes", "-keyout", dir + "ca.key", "-out", dir + "ca.pem", "-subj",
                       "/CN=Vellum test CA", "-days", "2"}),
              0);
    Issue(dir, "good", "IP:127.0.0.1,DNS:localhost");
    Issue(dir, "other", "DNS:elsewhere.example");
    Issue(dir, "expired", "IP:127.0.0.1", "ca", -1);
    Issue(dir, "self", "IP:127.0.0.1", "");
    // Several TLS records, so that sends which would block come back.
    std::string bytes(3 << 20, '\0');
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
        const std::string target = std::string(c.host) + ":" + std::to_string(server.Port());
        home.WriteFile("data/tolvan.ini", "[.]\nHttpServer=https://" + target + "/\n");
        desk.AnswerOpenFile(home.Home() + "local/big.bin");
        Watching watching;
        AttachmentFields fields;
        fields.userName = fields.sender = "u";
        fields.runner = &watching;
        EXPECT_EQ(UploadAttachment(fields), c.refusal ? 0 : 1);
        if (c.refusal) {
            ASSERT_FALSE(desk.Messages().empty());
            EXPECT_EQ(desk.Messages().back().text,
                      FromUtf8(std::string("上传失败\r\n服务器证书无法验证：") + c.refusal));
            // At most the proxy's CONNECT went out in clear.
            const std::string tunnel =
                "CONNECT " + target + " HTTP/1.0\r\nHost: " + target + "\r\n\r\n";
            EXPECT_EQ(watching.bytesSent, c.proxied ? static_cast<int64_t>(tunnel.size()) : 0);
            EXPECT_EQ(ReadFile(store + ".log").find("upload"), std::string::npos)
                << "no request reached the server";
            continue;
        }
        std::string copy;
        ASSERT_EQ(DownloadAttachment(fields, &copy), 1);
        EXPECT_EQ(ReadFile(copy), bytes);
        std::filesystem::remove(copy);
    }
}

} // namespace
