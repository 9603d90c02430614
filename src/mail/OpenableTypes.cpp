// The desktop picks the program by the name's extension, so the extension
// is what is judged; a file without one is never opened.
#include "mail/OpenableTypes.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 37> kViewedTypes = {
    "txt", "pdf", "doc", "docx", "xls", "xlsx", "ppt", "pptx", "odt", "ods",  "odp",  "rtf", "csv",
    "wps", "et",  "dps", "png",  "jpg", "jpeg", "gif", "bmp",  "tif", "tiff", "webp", "ico", "mp3",
    "wav", "ogg", "mp4", "avi",  "mkv", "mov",  "zip", "rar",  "7z",  "gz",   "bz2"};

} // namespace

bool OpensWithoutRunningCode(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return std::find(kViewedTypes.begin(), kViewedTypes.end(), extension) != kViewedTypes.end();
}
