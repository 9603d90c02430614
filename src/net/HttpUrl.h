// Splitting an http or https URL into server, object (path and query), port
// and whether the connection is to be encrypted. Only "http://" and
// "https://" URLs (any letter case) are accepted: the client speaks nothing
// else.
#pragma once

#include <string>

struct HttpUrlParts
{
    std::string server;
    std::string object; // "" when the URL has no path; the caller makes it "/"
    unsigned short port = 80;
    bool secure = false; // https: TLS, and 443 unless a port is named
};

// False for anything but a well-formed http or https URL (other schemes, no host, a
// port that is not a number from 1 to 65535).
bool SplitHttpUrl(const std::string& url, HttpUrlParts& parts);
