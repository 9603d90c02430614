// Dotted addresses and name lookup on POSIX (inet_addr, getaddrinfo).
#include "platform/net/Ipv4Address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace vellum::net {

uint32_t DottedAddress(const std::string& host)
{
    return inet_addr(host.c_str());
}

bool LookupIpv4(const std::string& host, uint32_t& address)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        return false;
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return true;
}

} // namespace vellum::net
