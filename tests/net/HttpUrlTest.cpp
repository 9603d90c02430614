// The URL splitter: only http, server, object with its query, port.
#include "net/HttpUrl.h"

#include <gtest/gtest.h>

namespace {

TEST(HttpUrlTest, HttpUrlsSplitIntoServerObjectAndPort)
{
    struct Case
    {
        const char* url;
        const char* server;
        const char* object;
        unsigned short port;
    };
    for (const Case& c :
         {Case{"http://127.0.0.1/a?x=1", "127.0.0.1", "/a?x=1", 80},
          Case{"HTTP://host:8080", "host", "", 8080}, Case{"http://host?q=1", "host", "/?q=1", 80},
          Case{"http://user:pw@host:81/p", "host", "/p", 81},
          Case{"http://h/download.jsp?UserName=%B2&FileName=a b.txt", "h",
               "/download.jsp?UserName=%B2&FileName=a b.txt", 80}}) {
        HttpUrlParts parts;
        ASSERT_TRUE(SplitHttpUrl(c.url, parts)) << c.url;
        EXPECT_EQ(parts.server, c.server) << c.url;
        EXPECT_EQ(parts.object, c.object) << c.url;
        EXPECT_EQ(parts.port, c.port) << c.url;
    }
}

TEST(HttpUrlTest, AnythingButAWellFormedHttpUrlIsRefused)
{
    for (const char* url :
         {"https://h/", "ftp://h/", "file:///etc/passwd", "http:/h/", "http://", "http:///path",
          "http://h:0/", "http://h:65536/", "http://h:8o/", "h/path", ""}) {
        HttpUrlParts parts;
        EXPECT_FALSE(SplitHttpUrl(url, parts)) << url;
    }
}

} // namespace
