// Splitting an http URL into server, object (path and query) and port. Only
// "http://" URLs (any letter case) are accepted: the client speaks nothing
// else, and an https URL must fail rather than go out in clear text.
#pragma once

#include <string>

struct HttpUrlParts
{
    std::string server;
    std::string object; // "" when the URL has no path; the caller makes it "/"
    unsigned short port = 80;
};

// False for anything but a well-formed http URL (other schemes, no host, a
// port that is not a number from 1 to 65535).
bool SplitHttpUrl(const std::string& url, HttpUrlParts& parts);
