// IPv4 addresses for the event socket: the dotted-address conversion with its
// "no address" value, and name lookup. Addresses are 32-bit values in network
// byte order, as the socket layer takes them.
#pragma once

#include <cstdint>
#include <string>

namespace vellum::net {

// The value a failed dotted-address conversion gives (all bits set). Note
// that "255.255.255.255" converts to this value too.
constexpr uint32_t kNoAddress = 0xFFFFFFFFu;

// Converts a dotted address ("127.0.0.1", also the short and octal forms the
// classic converter accepts); kNoAddress when the text is not one.
uint32_t DottedAddress(const std::string& host);

// Looks a host name up (hosts file, then the resolver) and stores its first
// IPv4 address; false when the name does not resolve.
bool LookupIpv4(const std::string& host, uint32_t& address);

} // namespace vellum::net
