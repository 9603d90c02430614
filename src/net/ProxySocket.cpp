// Direct or proxied connection set-up, and the proxy's tunnel for https.
#include "net/ProxySocket.h"

#include "platform/net/EventWait.h"
#include "platform/text/CodePage.h"

namespace {

// A proxy's answer to CONNECT is a status line and a few headers.
constexpr size_t kTunnelHeadLimit = 8192;

} // namespace

void CProxySocket::SetProxy(int mode, const std::string& host, int port)
{
    m_proxyMode = mode;
    m_proxyHost = host;
    m_proxyPort = port;
}

int CProxySocket::Connect(const std::string& host, unsigned short port)
{
    if (m_proxyMode == kHttpProxy)
        return CHiSocket::Connect(m_proxyHost, static_cast<unsigned short>(m_proxyPort));
    return CHiSocket::Connect(host, port);
}

int CProxySocket::ConnectTls(const std::string& host, unsigned short port,
                             const std::string& caFile)
{
    if (!Connect(host, port))
        return 0;
    if (m_proxyMode == kHttpProxy && !OpenTunnel(host, port))
        return 0;
    return StartTls(host, caFile);
}

int CProxySocket::OpenTunnel(const std::string& host, unsigned short port)
{
    const std::string target = host + ":" + std::to_string(port);
    const std::string request = "CONNECT " + target + " HTTP/1.0\r\nHost: " + target + "\r\n\r\n";
    std::string head;
    bool answered =
        Send(request.data(), static_cast<int>(request.size())) >= 0 && ReadTunnelAnswer(head);
    size_t space = head.find(' ');
    if (answered && head.rfind("HTTP/1.", 0) == 0 && space != std::string::npos &&
        head.compare(space + 1, 3, "200") == 0)
        return 1;
    m_lastError = vellum::text::FromUtf8("代理服务器没有打开到 " + target + " 的通道") +
                  (head.empty() ? "" : " (" + head.substr(0, head.find("\r\n")) + ")");
    m_connectFailure = ConnectFailure::TlsFailed;
    Close();
    return 0;
}

// The proxy's answer up to its blank line, read a piece at a time: the
// target sends nothing before the client's TLS hello, so no byte of the
// tunnel is taken with it.
bool CProxySocket::ReadTunnelAnswer(std::string& head)
{
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (head.size() > kTunnelHeadLimit)
            return false;
        int n = RecvData(buffer, sizeof buffer);
        if (n < 0)
            return false;
        if (n > 0) {
            head.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (!IsOpen() || !m_connected || m_abortEvent.IsSignalled() ||
            vellum::net::WaitForEvents(&m_socket, &m_abortEvent, m_timeout) !=
                vellum::net::WaitResult::NetworkEvent)
            return false;
        if (m_socket.EnumerateEvents() & vellum::net::kEventClose)
            m_connected = 0;
    }
    return true;
}
