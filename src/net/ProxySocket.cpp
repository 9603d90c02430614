// Direct or proxied connection set-up.
#include "net/ProxySocket.h"

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
