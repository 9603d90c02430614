// CCookieJar: the cookies one HTTP client object holds. It keeps a single
// site (the lower-case URL prefix up to the first slash after the host) and
// forgets every cookie when a response comes from a site that does not
// contain it, so cookies never travel from one server to another.
#pragma once

#include <string>
#include <vector>

class CCookieJar
{
public:
    // The site of a URL: lower-cased, "http://" required, cut after the
    // first "/" from position 8 on. False when the URL has none.
    static bool SiteOf(const std::string& url, std::string& site);

    // After a response head: switch to the URL's site, clearing the jar
    // first when the new site does not contain the current one.
    void TakeSite(const std::string& url);

    // Takes the text that follows "Set-Cookie: " in a response head.
    void TakeSetCookie(const std::string& text);

    // The Cookie line for a request to the URL; empty when there is none
    // (no site, another site, or no cookie anywhere).
    std::string GetCookieLine(const std::string& url);

    void Clear();

    std::string m_site;
    std::string m_cookieLine;
    std::vector<std::string> m_entries;
};
