// The shared text helpers. They work on bytes and never look at the code page,
// except GetModuleDir and WriteTextFile, which meet the file system.
#include "base/TextHelpers.h"

#include "platform/fs/ModuleHome.h"
#include "platform/text/CodePage.h"

#include <cstdio>
#include <cstring>

namespace {

// The text up to its first NUL, as the host's C strings end there.
std::string_view UpToNul(std::string_view text)
{
    size_t nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsAsciiAlnum(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Longest text UrlEncode takes; longer input is cut, as the host's buffers are.
constexpr size_t kMaxEncodedInput = 32767;

} // namespace

std::string UrlDecode(std::string_view text)
{
    text = UpToNul(text);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            out += ' ';
            continue;
        }
        if (c != '%') {
            out += c;
            continue;
        }
        int high = i + 1 < text.size() ? HexDigitValue(text[i + 1]) : -1;
        int low = i + 2 < text.size() ? HexDigitValue(text[i + 2]) : -1;
        if (high < 0 || low < 0)
            continue; // a stray "%" is dropped; what follows is read normally
        i += 2;
        if (int byte = high * 16 + low; byte != 0)
            out += static_cast<char>(byte);
    }
    return out;
}

std::string UrlEncode(std::string_view text)
{
    text = UpToNul(text).substr(0, kMaxEncodedInput);
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (IsAsciiAlnum(byte)) {
            out += c;
            continue;
        }
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 0x0F];
    }
    return out;
}

int SplitString(std::string_view text, char separator, std::vector<std::string>& items)
{
    items.clear();
    text = UpToNul(text);
    size_t pos = 0;
    for (;;) {
        size_t found = text.find(separator, pos);
        if (found == std::string_view::npos)
            break;
        items.emplace_back(text.substr(pos, found - pos));
        pos = found + 1;
    }
    if (pos < text.size())
        items.emplace_back(text.substr(pos));
    return static_cast<int>(items.size());
}

std::string JoinStrings(const std::vector<std::string>& items, char separator)
{
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += separator;
        out += items[i];
    }
    return out;
}

std::string GetModuleDir()
{
    std::string dir = vellum::text::FromUtf8(vellum::fs::ModuleHome());
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

int WriteTextFile(const std::string& path, std::string_view text)
{
    text = UpToNul(text);
    FILE* file = std::fopen(vellum::text::ToUtf8(path).c_str(), "wb");
    if (!file)
        return -1;
    size_t written = std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return written == text.size() ? 1 : -1;
}

int AsciiLower(char* text)
{
    if (!text)
        return 0;
    size_t length = std::strlen(text);
    for (size_t i = 0; i < length; ++i) {
        if (text[i] >= 'A' && text[i] <= 'Z')
            text[i] = static_cast<char>(text[i] - 'A' + 'a');
    }
    return static_cast<int>(length);
}
