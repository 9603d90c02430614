// The safe part of a name has to survive everywhere the name travels: the
// client puts it unencoded into the download address, the server into a
// quoted Content-Disposition and a log line, the dialogs into a local file
// name. So only letters, digits and a few harmless marks stay as they are;
// other ASCII becomes "_", and bytes that are not UTF-8 do too.
#include "StoredName.h"

#include <cstdint>
#include <sys/random.h>

namespace {

constexpr size_t kRandomBytes = 16;
constexpr size_t kMaxSafeName = 160; // bytes; file names end at 255
constexpr std::string_view kHarmlessMarks = "._-()[]~!,@$^{}";

bool IsHarmlessAscii(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           kHarmlessMarks.find(static_cast<char>(c)) != std::string_view::npos;
}

// The length of the well-formed UTF-8 sequence of two or more bytes that
// starts `text`, or 0.
size_t MultiByteLength(std::string_view text)
{
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(0);
    size_t length = lead >= 0xf0 && lead <= 0xf4 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc2 ? 2 : 0;
    if (length == 0 || lead > 0xf4 || text.size() < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xc0) != 0x80)
            return 0;
    }
    // Overlong forms and UTF-16 surrogates are not UTF-8.
    if ((lead == 0xe0 && byte(1) < 0xa0) || (lead == 0xed && byte(1) > 0x9f) ||
        (lead == 0xf0 && byte(1) < 0x90) || (lead == 0xf4 && byte(1) > 0x8f))
        return 0;
    return length;
}

std::string_view LastComponent(std::string_view path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Cuts `name` to `limit` bytes on a character boundary, keeping its
// extension when that is short.
std::string Shortened(const std::string& name, size_t limit)
{
    if (name.size() <= limit)
        return name;
    size_t dot = name.rfind('.');
    std::string extension =
        dot != std::string::npos && name.size() - dot <= 16 ? name.substr(dot) : std::string();
    size_t keep = limit - extension.size();
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xc0) == 0x80)
        --keep;
    return name.substr(0, keep) + extension;
}

bool IsHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

bool IsOldStoredName(std::string_view name)
{
    if (name.size() < 23 || name[14] != '-')
        return false;
    for (size_t i = 0; i < 23; ++i) {
        bool ok = i < 14 ? (name[i] >= '0' && name[i] <= '9') : i == 14 || IsHex(name[i]);
        if (!ok)
            return false;
    }
    std::string_view extension = name.substr(23);
    if (extension.empty())
        return true;
    if (extension.size() < 2 || extension.size() > 11 || extension[0] != '.')
        return false;
    for (char c : extension.substr(1)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
    }
    return true;
}

bool IsNewStoredName(std::string_view name)
{
    constexpr size_t prefix = 2 * kRandomBytes;
    if (name.size() <= prefix + 1 || name[prefix] != '-')
        return false;
    for (size_t i = 0; i < prefix; ++i) {
        if (!IsHex(name[i]))
            return false;
    }
    std::string_view safe = name.substr(prefix + 1);
    return safe.size() <= kMaxSafeName && SafeFileName(safe) == safe;
}

} // namespace

std::string SafeFileName(std::string_view clientFileName)
{
    std::string_view rest = LastComponent(clientFileName);
    std::string safe;
    while (!rest.empty()) {
        size_t length = MultiByteLength(rest);
        if (length > 0) {
            safe.append(rest.substr(0, length));
            rest.remove_prefix(length);
            continue;
        }
        unsigned char c = static_cast<unsigned char>(rest[0]);
        rest.remove_prefix(1);
        if (c < 0x20 || c == 0x7f)
            continue;
        safe += IsHarmlessAscii(c) ? static_cast<char>(c) : '_';
    }
    size_t first = safe.find_first_not_of('.');
    safe.erase(0, first == std::string::npos ? safe.size() : first);
    return safe.empty() ? "file" : Shortened(safe, kMaxSafeName);
}

std::string MakeStoredName(std::string_view clientFileName)
{
    uint8_t random[kRandomBytes];
    size_t got = 0;
    while (got < sizeof random) {
        ssize_t n = getrandom(random + got, sizeof random - got, 0);
        if (n > 0)
            got += static_cast<size_t>(n);
    }
    static const char kDigits[] = "0123456789abcdef";
    std::string name;
    for (uint8_t byte : random) {
        name += kDigits[byte >> 4];
        name += kDigits[byte & 15];
    }
    return name + "-" + SafeFileName(clientFileName);
}

bool IsStoredName(std::string_view name)
{
    return IsOldStoredName(name) || IsNewStoredName(name);
}
