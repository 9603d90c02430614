// Fuzz target: a response as the HTTP client receives it, cut into pieces
// of the sizes the input chooses (so "\r\n\r\n" and header lines straddle
// pieces). The head and a text body stay within their bounds, the head
// never keeps the blank line, and the cookie line of the next request is one
// line. Half the inputs open with a download head whose Content-Length has
// digits the input writes: the length is read exactly or refused, and the
// body is complete exactly when that many bytes arrived.
#include "FuzzInput.h"
#include "net/HttpClient.h"

#include <charconv>

namespace {

// The length a Content-Length value announces: -1 when none can be trusted.
int64_t AnnouncedLength(const std::string& digits)
{
    int64_t value = -1;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size() ? value : -1;
}

} // namespace

using vellum::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vellum::fuzz::ScratchFolder();
    vellum::fuzz::FuzzInput input(data, size);
    std::string cuts = input.Text(16);
    std::string digits;
    bool download = input.Byte() % 2;
    if (download) {
        for (char c : input.Text(24))
            digits += static_cast<char>('0' + static_cast<unsigned char>(c) % 10);
        digits = digits.empty() ? "0" : digits;
    }
    std::string response =
        (download ? "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
                    "Content-Length: " +
                        digits + "\r\n\r\n"
                  : std::string()) +
        input.Rest();

    CHttpClient client;
    client.m_url = "http://127.0.0.1/page";
    char buffer[4096];
    std::size_t at = 0;
    int more = 1;
    for (std::size_t piece = 0; at < response.size() && more == 1; ++piece) {
        std::size_t length =
            piece < cuts.size() ? 1 + static_cast<unsigned char>(cuts[piece]) : 4095;
        length = std::min(length, response.size() - at);
        std::copy_n(response.data() + at, length, buffer);
        more = client.OnData(buffer, static_cast<int>(length));
        at += length;
    }
    Check(client.m_responseHead.size() <= CHttpClient::kHeadLimit + 4095, "the head is bounded");
    Check(client.m_textBody.size() <= CHttpClient::kTextBodyLimit, "a text body is bounded");
    if (client.m_state == CHttpClient::kReceivingBody)
        Check(client.m_responseHead.find("\r\n\r\n") == std::string::npos,
              "a complete head ends before its blank line");
    if (download) {
        int64_t announced = AnnouncedLength(digits);
        Check(client.m_contentLength == announced, "the length is read exactly, or refused");
        Check(announced >= 0 || more == -1, "a length that cannot be read ends the exchange");
        if (announced >= 0 && client.m_bytesReceived > 0)
            Check((more == 0) == (client.m_bytesReceived >= announced),
                  "the body is complete exactly when its length arrived");
    }

    std::string value;
    for (const char* name : {"Content-Type", "Content-Disposition", "X"})
        Check(client.GetHeader(name, value) == 1 || value.empty(), "a missing header reads empty");
    std::string line = client.m_cookieJar.GetCookieLine(client.m_url);
    Check(line.find("\r\n") == std::string::npos, "the cookie line is one line");
    client.Reset();
    return 0;
}
