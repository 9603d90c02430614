// The URL splitter. It follows the desktop parser's results for the URLs the
// module builds: user information before "@" is dropped, the query stays
// with the object, and a query right after the host gets a leading "/".
#include "net/HttpUrl.h"

#include <cctype>

namespace {

bool StartsWithNoCase(const std::string& url, const std::string& scheme)
{
    if (url.size() < scheme.size())
        return false;
    for (size_t i = 0; i < scheme.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(url[i])) != scheme[i])
            return false;
    }
    return true;
}

bool ParsePort(const std::string& text, unsigned short& port)
{
    if (text.empty() || text.size() > 5)
        return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535)
        return false;
    port = static_cast<unsigned short>(value);
    return true;
}

} // namespace

bool SplitHttpUrl(const std::string& url, HttpUrlParts& parts)
{
    parts.secure = StartsWithNoCase(url, "https://");
    if (!parts.secure && !StartsWithNoCase(url, "http://"))
        return false;
    size_t hostStart = parts.secure ? 8 : 7;
    size_t hostEnd = url.find_first_of("/?", hostStart);
    if (hostEnd == std::string::npos)
        hostEnd = url.size();
    std::string authority = url.substr(hostStart, hostEnd - hostStart);
    size_t at = authority.rfind('@');
    if (at != std::string::npos)
        authority.erase(0, at + 1);
    parts.port = parts.secure ? 443 : 80;
    size_t colon = authority.rfind(':');
    if (colon != std::string::npos) {
        if (!ParsePort(authority.substr(colon + 1), parts.port))
            return false;
        authority.resize(colon);
    }
    if (authority.empty())
        return false;
    parts.server = authority;
    parts.object = url.substr(hostEnd);
    if (!parts.object.empty() && parts.object[0] == '?')
        parts.object = "/" + parts.object;
    return true;
}
