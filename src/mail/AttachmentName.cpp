// Attachment field classification and local copy names.
//
// The server name comes from another user's mail (and from whatever the
// server answered), so it is not trusted as a path: a name holding "/", "\"
// or a ".." component could otherwise make the download write anywhere the
// user may write, such as "../../.profile". Such a name is reduced to its last
// component, and a component that is empty or only dots becomes
// "attachment", so the copy always lands directly inside "temp/". The name
// sent to the server is not touched.
#include "mail/AttachmentName.h"

#include "platform/text/CodePage.h"

namespace {

constexpr const char* kFallbackName = "attachment";

} // namespace

bool IsLocalAttachmentPath(const std::string& field)
{
    size_t colon = field.find(':');
    if (colon != std::string::npos && colon > 0)
        return true;
    return !field.empty() && (field[0] == '\\' || field[0] == '/');
}

std::string LocalCopyName(const std::string& serverName)
{
    // Split in UTF-8, where "/" and "\" never occur inside a character (in
    // GBK a "\" byte can be the second half of one).
    std::string name = vellum::text::ToUtf8(serverName);
    size_t separator = name.find_last_of("/\\");
    if (separator != std::string::npos)
        name.erase(0, separator + 1);
    if (name.find_first_not_of('.') == std::string::npos)
        return kFallbackName;
    if (separator == std::string::npos)
        return serverName;
    return vellum::text::FromUtf8(name);
}
