// The body is saved under a name of its own first, then given its final
// name with link(), which never replaces a file: a copy that appeared
// between the look and the link is compared like any other.
#include "mail/LocalCopy.h"

#include "net/HttpClient.h"
#include "platform/net/ProcessIds.h"
#include "platform/text/CodePage.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace {

constexpr int kMostNumbers = 999;

// "name (n).ext"; a leading dot starts a name, not an extension.
std::string Numbered(const std::string& name, int number)
{
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0)
        dot = name.size();
    return name.substr(0, dot) + " (" + std::to_string(number) + ")" + name.substr(dot);
}

bool SameBytes(const std::string& a, const std::string& b)
{
    std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
    if (!first || !second)
        return false;
    constexpr size_t kPiece = 64 * 1024;
    std::string x(kPiece, '\0'), y(kPiece, '\0');
    for (;;) {
        first.read(x.data(), kPiece);
        second.read(y.data(), kPiece);
        if (first.gcount() != second.gcount() ||
            x.compare(0, static_cast<size_t>(first.gcount()), y, 0,
                      static_cast<size_t>(second.gcount())) != 0)
            return false;
        if (first.gcount() == 0)
            return true;
    }
}

} // namespace

std::string SaveBesideOtherCopies(CHttpClient& client, const std::string& folder,
                                  const std::string& name)
{
    const std::string osFolder = vellum::text::ToUtf8(folder);
    const std::string osName = vellum::text::ToUtf8(name);
    char incoming[64];
    std::snprintf(incoming, sizeof incoming, ".incoming-%x", vellum::net::CurrentProcessId());
    if (!client.SaveToFile(folder + incoming))
        return {};
    const std::string saved = osFolder + incoming;
    for (int number = 1; number <= kMostNumbers; ++number) {
        std::string candidate = osFolder + (number == 1 ? osName : Numbered(osName, number));
        if (link(saved.c_str(), candidate.c_str()) == 0) {
            std::remove(saved.c_str());
            return vellum::text::FromUtf8(candidate);
        }
        if (errno == EEXIST || access(candidate.c_str(), F_OK) == 0) {
            if (!SameBytes(candidate, saved))
                continue;
            std::remove(saved.c_str());
            return vellum::text::FromUtf8(candidate);
        }
        // A file system without hard links: the name is free, so a rename.
        if (std::rename(saved.c_str(), candidate.c_str()) == 0)
            return vellum::text::FromUtf8(candidate);
        break;
    }
    std::remove(saved.c_str());
    client.SetLastErrorText(vellum::text::FromUtf8("无法创建目标文件"));
    return {};
}
