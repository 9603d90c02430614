// Address resolution kept deliberately small: schemes are recognised only to
// refuse them, and only "file:" and "data:" lead to pixels.
#include "html/ImageSource.h"

#include "html/Base64Digits.h"
#include "html/Document.h"
#include "html/InlineStyle.h"
#include "platform/text/CodePage.h"

#include <algorithm>
#include <unistd.h>

namespace vellum::html {

namespace {

bool HasScheme(std::u16string_view address)
{
    std::size_t colon = address.find(u':');
    if (colon == std::u16string_view::npos || colon < 2) // "C:" is a drive, not a scheme
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        char16_t c = address[i];
        bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                  (i > 0 && ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.'));
        if (!ok)
            return false;
    }
    return true;
}

bool StartsWithNoCase(std::u16string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           NamesEqual(AsciiFromUtf16(text.substr(0, prefix.size())), prefix);
}

std::string PercentDecode(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto hex = [](char c) {
            return c >= '0' && c <= '9'   ? c - '0'
                   : c >= 'a' && c <= 'f' ? c - 'a' + 10
                   : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                          : -1;
        };
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 &&
            hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Mail pictures are megabytes of base64 each: decoded straight from the
// attribute's UTF-16, into a buffer sized once. Whole groups of four digits
// go three bytes at a time; padding, line breaks and whatever else stands
// between the digits (skipped, as before) take the slower way.
std::string Base64Decode(std::u16string_view text, std::size_t limit)
{
    std::string out(std::min(text.size() / 4 * 3 + 3, limit), '\0');
    std::size_t filled = 0;
    std::size_t at = 0;
    while (at + 4 <= text.size() && filled + 3 <= out.size()) {
        const int a = Base64Value(text[at]), b = Base64Value(text[at + 1]),
                  c = Base64Value(text[at + 2]), d = Base64Value(text[at + 3]);
        if ((a | b | c | d) < 0)
            break;
        const auto group = static_cast<unsigned>(a << 18 | b << 12 | c << 6 | d);
        out[filled] = static_cast<char>(group >> 16);
        out[filled + 1] = static_cast<char>(group >> 8 & 0xFF);
        out[filled + 2] = static_cast<char>(group & 0xFF);
        filled += 3;
        at += 4;
    }
    unsigned buffer = 0;
    int bits = 0;
    for (; at < text.size() && filled < out.size(); ++at) {
        const int value = Base64Value(text[at]);
        if (value < 0)
            continue;
        buffer = (buffer << 6) | static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out[filled++] = static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    out.resize(filled);
    return out;
}

ImageSource DecodeDataUrl(std::u16string_view url, std::size_t limit)
{
    ImageSource source;
    std::size_t comma = url.find(u',');
    if (comma == std::u16string_view::npos)
        return source;
    std::string header = text::Utf16ToUtf8(url.substr(5, comma - 5));
    std::u16string_view payload = url.substr(comma + 1);
    bool base64 = header.size() >= 7 &&
                  NamesEqual(std::string_view(header).substr(header.size() - 7), ";base64");
    source.kind = ImageSource::Kind::Data;
    source.mimeType = header.substr(0, header.find(';'));
    source.bytes =
        base64 ? Base64Decode(payload, limit) : PercentDecode(text::Utf16ToUtf8(payload));
    return source;
}

// A file URL's host: none, "localhost" or the name this machine answers to.
bool IsThisMachine(std::string_view host)
{
    if (host.empty() || NamesEqual(host, "localhost"))
        return true;
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 && NamesEqual(host, name);
}

} // namespace

std::u16string AbsoluteUrl(std::u16string_view base, std::u16string_view address)
{
    address = TrimSpace(address);
    if (address.empty() || HasScheme(address) || base.empty() || base == u"about:blank" ||
        !HasScheme(base))
        return std::u16string(address);
    std::size_t schemeEnd = base.find(u':') + 1;
    std::size_t pathStart = schemeEnd;
    if (base.substr(schemeEnd, 2) == u"//")
        pathStart = base.find(u'/', schemeEnd + 2);
    if (pathStart == std::u16string_view::npos)
        pathStart = base.size();
    if (address.starts_with(u"//"))
        return std::u16string(base.substr(0, schemeEnd)) + std::u16string(address);
    if (address[0] == u'/')
        return std::u16string(base.substr(0, pathStart)) + std::u16string(address);
    std::u16string_view baseDir = base.substr(0, base.find_first_of(u"?#"));
    std::size_t slash = baseDir.rfind(u'/');
    std::u16string joined = slash == std::u16string_view::npos || slash < pathStart
                                ? std::u16string(baseDir) + u"/"
                                : std::u16string(baseDir.substr(0, slash + 1));
    // Resolve "./" and "../" segments of the relative part.
    std::u16string rest(address);
    while (true) {
        if (rest.starts_with(u"./")) {
            rest.erase(0, 2);
        } else if (rest.starts_with(u"../")) {
            rest.erase(0, 3);
            std::size_t cut = joined.size() > pathStart + 1 ? joined.rfind(u'/', joined.size() - 2)
                                                            : std::u16string::npos;
            if (cut != std::u16string::npos && cut >= pathStart)
                joined.erase(cut + 1);
        } else {
            break;
        }
    }
    return joined + rest;
}

std::optional<std::string> LocalFilePath(std::u16string_view address)
{
    address = TrimSpace(address);
    if (StartsWithNoCase(address, "file://")) {
        std::string rest = text::Utf16ToUtf8(address.substr(7));
        std::size_t slash = rest.find('/');
        if (slash == std::string::npos || !IsThisMachine(rest.substr(0, slash)))
            return std::nullopt;
        return PercentDecode(rest.substr(slash));
    }
    if (address.size() < 2 || (address[0] != u'/' && address[0] != u'\\') || address[1] == u'/' ||
        address[1] == u'\\') // "//host/share": another machine's disk
        return std::nullopt;
    std::string path = text::Utf16ToUtf8(address);
    if (path[0] == '\\')
        std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool IsDrivePath(std::u16string_view address)
{
    address = TrimSpace(address);
    return address.size() >= 3 &&
           ((address[0] >= u'a' && address[0] <= u'z') ||
            (address[0] >= u'A' && address[0] <= u'Z')) &&
           address[1] == u':' && (address[2] == u'\\' || address[2] == u'/');
}

ImageSource ResolveImageSource(const Element& image, std::size_t dataLimit)
{
    const std::u16string* given = image.FindAttribute("src");
    return ResolveImageAddress(image.OwnerDocument().Url(), given ? *given : std::u16string_view(),
                               dataLimit);
}

ImageSource ResolveImageAddress(std::u16string_view base, std::u16string_view given,
                                std::size_t dataLimit)
{
    std::u16string_view trimmed = TrimSpace(given);
    if (StartsWithNoCase(trimmed, "data:"))
        return DecodeDataUrl(trimmed, dataLimit);
    std::u16string address = AbsoluteUrl(base, trimmed);
    ImageSource source;
    if (std::optional<std::string> path = LocalFilePath(address)) {
        source.kind = ImageSource::Kind::LocalFile;
        source.path = std::move(*path);
    }
    return source;
}

void MakeImageSourcesAbsolute(Document& document)
{
    if (document.Url() == u"about:blank")
        return;
    Document::EditStep step(document, "image sources");
    for (Element* image : document.GetElementsByTagName("IMG")) {
        std::optional<std::u16string> source = image->GetAttribute("src");
        if (source)
            image->SetAttribute("src", AbsoluteUrl(document.Url(), *source));
    }
}

} // namespace vellum::html
