// The safe part of a name has to survive everywhere the name travels: the
// client puts it unencoded into the download address, the server into a
// quoted Content-Disposition and a log line, the dialogs into a local file
// name. So only letters, digits and a few harmless marks stay as they are,
// other ASCII becomes "_", and non-ASCII characters are kept in the bytes
// the client sent: UTF-8, or its double-byte host code page (GBK), so the
// name reads back right on the client that uploaded it.
#include "StoredName.h"

#include <algorithm>
#include <cstdint>
#include <sys/random.h>
#include <vector>

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

bool IsUtf8(std::string_view text)
{
    while (!text.empty()) {
        size_t length = static_cast<unsigned char>(text[0]) < 0x80 ? 1 : MultiByteLength(text);
        if (length == 0)
            return false;
        text.remove_prefix(length);
    }
    return true;
}

// The module sends names in its host code page, which is GBK or another
// double-byte page unless set to UTF-8: there a byte from 0x81 on starts a
// two-byte character whose second byte may look like "\" or any letter.
size_t DoubleByteLength(std::string_view text)
{
    unsigned char lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x81 || lead == 0xff || text.size() < 2)
        return 0;
    unsigned char trail = static_cast<unsigned char>(text[1]);
    return trail >= 0x40 && trail != 0x7f && trail != 0xff ? 2 : 0;
}

// The name split into characters: several bytes each for non-ASCII ones,
// in UTF-8 when the whole name is UTF-8 and else in a double-byte page.
std::vector<std::string_view> Characters(std::string_view name)
{
    auto lengthOf = IsUtf8(name) ? MultiByteLength : DoubleByteLength;
    std::vector<std::string_view> characters;
    while (!name.empty()) {
        size_t length = static_cast<unsigned char>(name[0]) < 0x80 ? 0 : lengthOf(name);
        characters.push_back(name.substr(0, std::max<size_t>(length, 1)));
        name.remove_prefix(std::max<size_t>(length, 1));
    }
    return characters;
}

// The characters after the last path separator.
std::vector<std::string_view> LastComponent(std::vector<std::string_view> characters)
{
    for (size_t i = characters.size(); i > 0; --i) {
        if (characters[i - 1] == "/" || characters[i - 1] == "\\")
            return {characters.begin() + static_cast<std::ptrdiff_t>(i), characters.end()};
    }
    return characters;
}

// Cuts the name to `limit` bytes between characters, keeping its extension
// when that is short.
std::string Shortened(const std::vector<std::string>& characters, size_t limit)
{
    size_t total = 0, dot = characters.size();
    for (size_t i = 0; i < characters.size(); ++i) {
        total += characters[i].size();
        if (characters[i] == ".")
            dot = i;
    }
    std::string extension;
    for (size_t i = dot; i < characters.size(); ++i)
        extension += characters[i];
    if (extension.size() > 16)
        extension.clear();
    if (total <= limit)
        extension.clear();
    std::string name;
    for (const std::string& character : characters) {
        if (name.size() + character.size() + extension.size() > limit)
            break;
        name += character;
    }
    return name + extension;
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
    std::vector<std::string> safe;
    for (std::string_view character : LastComponent(Characters(clientFileName))) {
        unsigned char c = static_cast<unsigned char>(character[0]);
        if (character.size() > 1)
            safe.emplace_back(character);
        else if (c >= 0x20 && c != 0x7f)
            safe.emplace_back(IsHarmlessAscii(c) ? std::string(1, static_cast<char>(c)) : "_");
    }
    while (!safe.empty() && safe.front() == ".")
        safe.erase(safe.begin());
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

std::string_view StoredNameKey(std::string_view name)
{
    return IsNewStoredName(name) ? name.substr(0, 2 * kRandomBytes + 1) : name;
}
