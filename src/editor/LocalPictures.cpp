// A file named twice is read once. Files are read through ReadLocalImageFile,
// which refuses devices, FIFOs, huge files and the open database, so a body
// cannot make a save hang or drop the session's locks.
#include "editor/LocalPictures.h"

#include "editor/MailPicture.h"
#include "html/Document.h"
#include "html/ImageSource.h"
#include "html/LocalImageFile.h"
#include "html/Node.h"
#include "html/Serializer.h"
#include "platform/text/CodePage.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

using namespace vellum::html;

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return NamesEqual(text.substr(0, prefix.size()), prefix);
}

bool NamesLocalFile(const Element& image)
{
    std::u16string source = image.GetAttribute("src").value_or(u"");
    return IsDrivePath(source) || LocalFilePath(source);
}

std::optional<std::u16string> DataUrlOfFile(std::u16string_view source)
{
    std::optional<std::string> path = LocalFilePath(source);
    std::optional<std::string> bytes = path ? ReadLocalImageFile(*path) : std::nullopt;
    std::optional<MailPicture> picture = bytes ? PictureForMail(std::move(*bytes)) : std::nullopt;
    if (!picture)
        return std::nullopt;
    return PictureDataUrl(*picture);
}

// The tag that starts at `at`, up to its '>' (quoted values skipped).
std::string_view TagAt(std::string_view body, std::size_t at)
{
    char quote = 0;
    for (std::size_t i = at + 1; i < body.size(); ++i) {
        char c = body[i];
        if (quote)
            quote = c == quote ? 0 : quote;
        else if (c == '"' || c == '\'')
            quote = c;
        else if (c == '>')
            return body.substr(at, i + 1 - at);
    }
    return body.substr(at);
}

// Whether a "src" in the tag may name a file: any value that is not plainly
// a data: or http(s): address (an entity, a path, a file: URL) counts.
bool MayNameFile(std::string_view tag)
{
    for (std::size_t at = 0; (at = tag.find_first_of("sS", at)) != std::string_view::npos; ++at) {
        if (!StartsWithIgnoringCase(tag.substr(at), "src"))
            continue;
        std::size_t value = tag.find_first_not_of(" \t\r\n\f", at + 3);
        if (value == std::string_view::npos || tag[value] != '=')
            continue;
        value = tag.find_first_not_of(" \t\r\n\f\"'", value + 1);
        std::string_view rest = value == std::string_view::npos ? "" : tag.substr(value);
        if (!StartsWithIgnoringCase(rest, "data:") && !StartsWithIgnoringCase(rest, "http:") &&
            !StartsWithIgnoringCase(rest, "https:"))
            return true;
    }
    return false;
}

// A cheap look before a parse, which for a body carrying pictures means
// megabytes: an "<img" (or "<image", which parses as IMG) whose source may
// name a file.
bool MayNameLocalImages(std::string_view body)
{
    for (std::size_t at = body.find('<'); at != std::string::npos; at = body.find('<', at + 1)) {
        if (body.size() - at >= 3 && (body[at + 1] | 0x20) == 'i' && (body[at + 2] | 0x20) == 'm' &&
            MayNameFile(TagAt(body, at)))
            return true;
    }
    return false;
}

} // namespace

std::u16string EmbedLocalPictures(Document& document)
{
    std::map<std::u16string, std::optional<std::u16string>> read;
    std::u16string unreadable;
    for (Element* image : document.GetElementsByTagName("IMG")) {
        if (!NamesLocalFile(*image))
            continue;
        std::u16string source = *image->GetAttribute("src");
        auto found = read.find(source);
        if (found == read.end())
            found = read.emplace(source, DataUrlOfFile(source)).first;
        if (found->second)
            image->SetAttribute("src", *found->second);
        else if (unreadable.empty())
            unreadable = source;
    }
    return unreadable;
}

bool EmbedLocalPictures(std::string& body, std::string& unreadable)
{
    if (!MayNameLocalImages(body))
        return true;
    Document document;
    document.BeginLoadFromBytes(ToAsciiSafeHtml(vellum::text::ToUtf16(body)));
    document.CompleteLoad();
    std::vector<Element*> images = document.GetElementsByTagName("IMG");
    if (std::none_of(images.begin(), images.end(),
                     [](const Element* image) { return NamesLocalFile(*image); }))
        return true;
    std::u16string failed = EmbedLocalPictures(document);
    if (!failed.empty()) {
        unreadable = ToHostBytes(failed);
        return false;
    }
    body = ToHostBytes(document.DocumentElement()->OuterHtml());
    return true;
}
