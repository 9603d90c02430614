// CProxySocket: the event socket with an optional HTTP proxy. In proxy mode
// the connection goes to the proxy; the HTTP layer then names the target in
// its request line, so the target host is never resolved here.
#pragma once

#include "net/HiSocket.h"

#include <string>

class CProxySocket : public CHiSocket
{
public:
    // The one proxy mode in use besides 0 (direct).
    static constexpr int kHttpProxy = 4;

    CProxySocket() = default;
    ~CProxySocket() override = default;

    void SetProxy(int mode, const std::string& host, int port);
    int Connect(const std::string& host, unsigned short port) override;

    int m_proxyMode = 0;
    std::string m_proxyHost;
    int m_proxyPort = 0;
};
