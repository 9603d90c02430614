// Cookie bookkeeping. Site containment is a plain substring test, as the
// module has always done it: "http://a.b/" keeps the cookies of "http://a.b/"
// and of any site text that contains it.
#include "net/CookieJar.h"

#include "net/PlatformCookies.h"

#include <algorithm>

namespace {

constexpr size_t kSetCookieWindow = 4095;

std::string AsciiLowerCopy(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return text;
}

std::string CutAt(std::string text, const char* marker)
{
    size_t at = text.find(marker);
    if (at != std::string::npos)
        text.resize(at);
    return text;
}

} // namespace

bool CCookieJar::SiteOf(const std::string& url, std::string& site)
{
    std::string lower = AsciiLowerCopy(url);
    if (lower.compare(0, 7, "http://") != 0)
        return false;
    size_t slash = lower.find('/', 8);
    site = slash == std::string::npos ? lower : lower.substr(0, slash + 1);
    return true;
}

void CCookieJar::TakeSite(const std::string& url)
{
    std::string site;
    if (!SiteOf(url, site))
        return;
    if (site.find(m_site) == std::string::npos)
        Clear();
    m_site = site;
}

void CCookieJar::TakeSetCookie(const std::string& text)
{
    // The header's own line only: a text without "=" must not take its name
    // from the next header line, or the name would carry "\r\n" into the
    // Cookie line of later requests.
    std::string copy = CutAt(text.substr(0, kSetCookieWindow), "\r\n");
    size_t equals = copy.find('=');
    if (equals == std::string::npos || equals == 0)
        return;
    std::string name = copy.substr(0, equals);
    std::string value = CutAt(copy.substr(equals + 1), ";");
    std::string prefix = name + "=";
    for (std::string& entry : m_entries) {
        if (entry.compare(0, prefix.size(), prefix) == 0) {
            entry = prefix + value;
            return;
        }
    }
    m_entries.push_back(prefix + value);
}

std::string CCookieJar::GetCookieLine(const std::string& url)
{
    std::string site;
    if (!SiteOf(url, site) || site.find(m_site) == std::string::npos)
        return {};
    m_cookieLine.clear();
    for (const std::string& entry : m_entries) {
        if (!m_cookieLine.empty())
            m_cookieLine += ';';
        m_cookieLine += entry;
    }
    if (m_cookieLine.empty())
        m_cookieLine = PlatformCookieLine(site);
    return m_cookieLine;
}

void CCookieJar::Clear()
{
    m_site.clear();
    m_cookieLine.clear();
    m_entries.clear();
}
