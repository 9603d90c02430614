// The cookie jar's site rule and entry bookkeeping.
#include "net/CookieJar.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

TEST(CookieJarTest, SiteIsTheLowerCasedPrefixUpToTheFirstSlashAfterTheHost)
{
    // The URL and its site; no site at all for an empty one.
    using Case = std::pair<const char*, const char*>;
    for (auto [url, expected] :
         {Case{"http://Host.Example:81/A/b?c", "http://host.example:81/"},
          Case{"HTTP://h/", "http://h/"}, Case{"http://h", "http://h"},
          Case{"http://h?x=/y", "http://h?x=/"}, Case{"https://h/", ""}, Case{"h/x", ""}}) {
        std::string site;
        EXPECT_EQ(CCookieJar::SiteOf(url, site), *expected != 0) << url;
        if (*expected) {
            EXPECT_EQ(site, expected) << url;
        }
    }
}

TEST(CookieJarTest, AnotherSiteGetsNoLineAndItsResponseClearsTheJar)
{
    CCookieJar jar;
    jar.TakeSite("http://one/page");
    jar.TakeSetCookie("k=v");
    EXPECT_EQ(jar.GetCookieLine("http://ONE/other"), "k=v");
    EXPECT_EQ(jar.GetCookieLine("http://two/"), "");
    EXPECT_EQ(jar.GetCookieLine("ftp://one/"), "");

    jar.TakeSite("ftp://two/"); // no site: nothing changes
    EXPECT_EQ(jar.m_site, "http://one/");
    jar.TakeSite("http://one/deeper/path");
    EXPECT_EQ(jar.m_entries.size(), 1u) << "same site keeps the cookies";
    jar.TakeSite("http://two/");
    EXPECT_TRUE(jar.m_entries.empty());
    EXPECT_EQ(jar.m_site, "http://two/");
    // No cookie of its own and no shared store here: the line is empty.
    EXPECT_EQ(jar.GetCookieLine("http://two/"), "");
}

} // namespace
