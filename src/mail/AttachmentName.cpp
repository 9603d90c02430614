// Attachment field classification and local copy names.
//
// The server name comes from another user's mail (and from whatever the
// server answered), so it is not trusted as a path: a name holding "/", "\"
// or a ".." component could otherwise make the download write anywhere the
// user may write, such as "../../.profile". Such a name is reduced to its last
// component, and a component that is empty or only dots becomes
// "attachment", so the copy always lands directly inside "temp/". A NUL byte
// ends the name (file names are C strings), and a name longer than a file
// name may be is shortened, its extension kept, so the copy can be written.
// The name sent to the server is not touched.
#include "mail/AttachmentName.h"

#include "platform/text/CodePage.h"

namespace {

constexpr const char* kFallbackName = "attachment";
// File systems take 255 bytes per name; leave room for what an editor or
// the shell adds beside the copy ("~", ".bak").
constexpr size_t kMaxNameBytes = 200;
constexpr size_t kMaxExtensionBytes = 16;
constexpr size_t kUnguessableDigits = 32;

// The longest start of `text` that is at most `limit` bytes and does not
// end inside a UTF-8 character.
std::string_view Utf8Prefix(std::string_view text, size_t limit)
{
    if (text.size() <= limit)
        return text;
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

// A UTF-8 name cut to kMaxNameBytes, keeping a short extension.
std::string Shortened(const std::string& name)
{
    if (name.size() <= kMaxNameBytes)
        return name;
    size_t dot = name.find_last_of('.');
    std::string_view extension;
    if (dot != std::string::npos && dot > 0 && name.size() - dot <= kMaxExtensionBytes)
        extension = std::string_view(name).substr(dot);
    return std::string(Utf8Prefix(name, kMaxNameBytes - extension.size())) + std::string(extension);
}

bool IsLowerHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

bool HasUnguessablePrefix(const std::string& name)
{
    if (name.size() <= kUnguessableDigits + 1 || name[kUnguessableDigits] != '-')
        return false;
    for (size_t i = 0; i < kUnguessableDigits; ++i)
        if (!IsLowerHexDigit(name[i]))
            return false;
    return true;
}

} // namespace

std::string AttachmentIdentity(const std::string& serverName)
{
    return HasUnguessablePrefix(serverName) ? serverName.substr(0, kUnguessableDigits) : serverName;
}

std::string AttachmentDisplayName(const std::string& serverName)
{
    if (!HasUnguessablePrefix(serverName))
        return serverName;
    return serverName.substr(kUnguessableDigits + 1);
}

std::string LocalCopyName(const std::string& serverName)
{
    // Split in UTF-8, where "/" and "\" never occur inside a character (in
    // GBK a "\" byte can be the second half of one).
    std::string shown = AttachmentDisplayName(serverName);
    std::string field = shown.substr(0, shown.find('\0'));
    std::string name = vellum::text::ToUtf8(field);
    size_t separator = name.find_last_of("/\\");
    if (separator != std::string::npos)
        name.erase(0, separator + 1);
    if (name.find_first_not_of('.') == std::string::npos)
        return kFallbackName;
    if (separator == std::string::npos && name.size() <= kMaxNameBytes)
        return field;
    return vellum::text::FromUtf8(Shortened(name));
}
