// CProxySocket: the event socket with an optional HTTP proxy. In proxy mode
// the connection goes to the proxy; the HTTP layer then names the target in
// its request line, so the target host is never resolved here. An https
// target is reached through the proxy by a tunnel (CONNECT), inside which
// the TLS session runs end to end with the target.
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
    // Connect, the proxy's tunnel when there is a proxy, then StartTls for
    // `host`. 1 or 0 (the last error text says why).
    [[nodiscard]] int ConnectTls(const std::string& host, unsigned short port,
                                 const std::string& caFile);

    int m_proxyMode = 0;
    std::string m_proxyHost;
    int m_proxyPort = 0;

private:
    [[nodiscard]] int OpenTunnel(const std::string& host, unsigned short port);
    [[nodiscard]] bool ReadTunnelAnswer(std::string& head);
};
