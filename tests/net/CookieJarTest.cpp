// The cookie jar's site rule and entry bookkeeping.
#include "net/CookieJar.h"

#include <gtest/gtest.h>

namespace {

TEST(CookieJarTest, SiteIsTheLowerCasedPrefixUpToTheFirstSlashAfterTheHost)
{
    struct Case
    {
        const char* url;
        bool has;
        const char* site;
    };
    for (const Case& c : {Case{"http://Host.Example:81/A/b?c", true, "http://host.example:81/"},
                          Case{"HTTP://h/", true, "http://h/"}, Case{"http://h", true, "http://h"},
                          Case{"http://h?x=/y", true, "http://h?x=/"},
                          Case{"https://h/", false, ""}, Case{"h/x", false, ""}}) {
        std::string site;
        EXPECT_EQ(CCookieJar::SiteOf(c.url, site), c.has) << c.url;
        if (c.has) {
            EXPECT_EQ(site, c.site) << c.url;
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
