// A file named twice is read once. Files are read through ReadLocalImageFile,
// which refuses devices, FIFOs, huge files and the open database, so a body
// cannot make a save hang or drop the session's locks.
#include "editor/LocalPictures.h"

#include "editor/MailPicture.h"
#include "html/Document.h"
#include "html/ImageSource.h"
#include "html/LocalImageFile.h"
#include "html/Serializer.h"
#include "platform/text/CodePage.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

using namespace vellum::html;

namespace {

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

// A cheap look before a parse: "<img", or "<image", which parses as IMG.
bool MayNameImages(const std::string& body)
{
    for (std::size_t at = body.find('<'); at != std::string::npos; at = body.find('<', at + 1)) {
        if (body.size() - at >= 3 && (body[at + 1] | 0x20) == 'i' && (body[at + 2] | 0x20) == 'm')
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
    if (!MayNameImages(body))
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
