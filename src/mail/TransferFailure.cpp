// The client does not examine the HTTP status (an error page is a response
// like any other); the transfer does, since an attachment server says what
// went wrong there: 413 for a file above its limit, 507 for a full disk.
// Without a status line the request itself tells: Request's result for the
// connection, an empty response head for a server that never answered.
#include "mail/TransferFailure.h"

#include "base/TraceLog.h"
#include "net/HttpClient.h"
#include "platform/net/ProcessIds.h"
#include "platform/text/CodePage.h"

#include <cstdio>
#include <cstdlib>

using vellum::text::FromUtf8;

namespace {

const char* StatusWords(int status)
{
    switch (status) {
    case 400:
        return "服务器不接受这个请求";
    case 401:
    case 403:
        return "服务器拒绝了这个请求";
    case 404:
        return "服务器上没有这个文件";
    case 413:
        return "文件超过服务器允许的大小";
    case 500:
        return "服务器内部出错";
    case 502:
    case 504:
        return "服务器暂时不能使用";
    case 503:
        return "服务器暂时不可用，请稍后再试";
    case 507:
        return "服务器磁盘已满";
    default:
        return "服务器拒绝了这个请求";
    }
}

std::string Endpoint(const std::string& host, int port)
{
    return host + ":" + std::to_string(port);
}

std::string ConnectionFailure(const CHttpClient& client)
{
    // The TLS layer already said why in words: a certificate that could not
    // be verified above all, which must not read as a server that is down.
    if (client.LastConnectFailure() == CHiSocket::ConnectFailure::CertificateRefused ||
        client.LastConnectFailure() == CHiSocket::ConnectFailure::TlsFailed)
        return client.GetLastErrorText();
    if (client.m_proxyMode == CProxySocket::kHttpProxy)
        return FromUtf8("无法连接到代理服务器 ") + Endpoint(client.m_proxyHost, client.m_proxyPort);
    if (client.LastConnectFailure() == CHiSocket::ConnectFailure::HostNotFound)
        return FromUtf8("找不到服务器 ") + client.m_server;
    return FromUtf8("无法连接到 ") + Endpoint(client.m_server, client.m_port);
}

} // namespace

int ResponseStatus(const CHttpClient& client)
{
    const std::string& head = client.m_responseHead;
    if (head.rfind("HTTP/", 0) != 0)
        return 0;
    size_t space = head.find(' ');
    if (space == std::string::npos || space > head.find("\r\n"))
        return 0;
    return std::atoi(head.c_str() + space + 1);
}

bool IsErrorStatus(const CHttpClient& client)
{
    return ResponseStatus(client) >= 400;
}

std::string DescribeTransferFailure(const CHttpClient& client, int requestResult)
{
    if (requestResult < 0)
        return FromUtf8("服务器地址不是 http:// 或 https:// 地址");
    if (requestResult == 0)
        return ConnectionFailure(client);
    // Our own side stopped the exchange, and its text is already in words:
    // the file to upload changed, or the download could not be written.
    if (client.LastFailure() == CHttpClient::Failure::BodyUnreadable ||
        client.LastFailure() == CHttpClient::Failure::WriteFailed)
        return client.GetLastErrorText();
    if (int status = ResponseStatus(client); status >= 400)
        return FromUtf8(StatusWords(status)) + " (HTTP " + std::to_string(status) + ")";
    if (!client.m_responseHead.empty())
        return FromUtf8("服务器的回答无法识别");
    if (client.LastFailure() == CHttpClient::Failure::TimedOut)
        return FromUtf8("服务器没有响应");
    return FromUtf8("服务器断开了连接, 没有回答");
}

void TraceTransferFailure(const std::string& what, const std::string& url,
                          const CHttpClient& client)
{
    std::string statusLine = client.m_responseHead.substr(0, client.m_responseHead.find("\r\n"));
    char thread[16];
    std::snprintf(thread, sizeof thread, "%08x ", vellum::net::CurrentThreadId());
    std::string error = client.GetLastErrorText();
    while (!error.empty() && (error.back() == '\n' || error.back() == '\r'))
        error.pop_back();
    WriteTrace(std::string(thread) + what + " " + url +
               (statusLine.empty() ? "" : " [" + statusLine + "]") + ": " + error + "\r\n");
}
