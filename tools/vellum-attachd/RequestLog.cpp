#include "RequestLog.h"

#include <unistd.h>

std::string EscapedForLog(std::string_view text)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f && byte != '\\') {
            escaped += c;
            continue;
        }
        escaped += "\\x";
        escaped += kDigits[byte >> 4];
        escaped += kDigits[byte & 15];
    }
    return escaped;
}

void LogRequest(const std::string& address, std::string_view method, std::string_view path,
                unsigned status, std::string_view fileName)
{
    std::string line = "vellum-attachd: " + address + " " + EscapedForLog(method) + " " +
                       EscapedForLog(path) + " " + std::to_string(status) + " " +
                       EscapedForLog(fileName) + "\n";
    size_t written = 0;
    while (written < line.size()) {
        ssize_t n = ::write(2, line.data() + written, line.size() - written);
        if (n <= 0)
            return;
        written += static_cast<size_t>(n);
    }
}
