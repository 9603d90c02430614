// The URL splitter: only http and https, server, object with its query, port.
#include "net/HttpUrl.h"

#include <gtest/gtest.h>

#include <cctype>
#include <tuple>

namespace {

TEST(HttpUrlTest, HttpUrlsSplitIntoServerObjectAndPort)
{
    using Case = std::tuple<const char*, const char*, const char*, unsigned short>;
    for (auto [url, server, object, port] :
         {Case{"http://127.0.0.1/a?x=1", "127.0.0.1", "/a?x=1", 80},
          Case{"HTTP://host:8080", "host", "", 8080}, Case{"http://host?q=1", "host", "/?q=1", 80},
          Case{"http://user:pw@host:81/p", "host", "/p", 81},
          Case{"http://h/download.jsp?UserName=%B2&FileName=a b.txt", "h",
               "/download.jsp?UserName=%B2&FileName=a b.txt", 80},
          Case{"HTTPS://h/a", "h", "/a", 443}, Case{"https://h:80?q", "h", "/?q", 80}}) {
        HttpUrlParts parts;
        ASSERT_TRUE(SplitHttpUrl(url, parts)) << url;
        EXPECT_EQ(parts.secure, std::tolower(url[4]) == 's') << url;
        EXPECT_EQ(parts.server, server) << url;
        EXPECT_EQ(parts.object, object) << url;
        EXPECT_EQ(parts.port, port) << url;
    }
}

TEST(HttpUrlTest, AnythingButAWellFormedHttpUrlIsRefused)
{
    for (const char* url :
         {"https:/h/", "ftp://h/", "file:///etc/passwd", "http:/h/", "http://", "http:///path",
          "http://h:0/", "http://h:65536/", "http://h:8o/", "h/path", ""}) {
        HttpUrlParts parts;
        EXPECT_FALSE(SplitHttpUrl(url, parts)) << url;
    }
}

} // namespace
