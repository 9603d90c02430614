// Where an image's pixels may come from: local files and data URLs only.
// Mail bodies come from other users, so nothing is ever fetched from the
// network: an http address resolves to nothing and the view draws a
// placeholder.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vellum::html {

class Document;
class Element;

inline constexpr std::size_t kWholeContent = static_cast<std::size_t>(-1);

struct ImageSource
{
    enum class Kind { None, LocalFile, Data };
    Kind kind = Kind::None;
    std::string path;     // LocalFile: a UTF-8 file system path
    std::string mimeType; // Data: as the URL states it
    std::string bytes;    // Data: the decoded content
};

// An address made absolute against a base address ("file:///a/b.html" and
// "img/c.gif" give "file:///a/img/c.gif"); absolute ones come back as they
// are, and nothing resolves against "about:blank".
std::u16string AbsoluteUrl(std::u16string_view base, std::u16string_view address);

// The file an address names on this machine: a "file:" URL without a host,
// with "localhost" or with this machine's own name, percent-decoded; a
// rooted path "/p", or "\p" read as "/p". Nothing for every other address:
// a relative name, another scheme, a file URL of another host.
std::optional<std::string> LocalFilePath(std::u16string_view address);

// A path on a drive of a Windows desk ("C:\p", "C:/p"): a name on the
// author's disk that no file of this machine answers to.
bool IsDrivePath(std::u16string_view address);

// Resolves an IMG element's source against its document's address. Of a
// data URL's content at most `dataLimit` bytes are decoded: a picture's
// header, which tells its size, is in its first kilobytes.
ImageSource ResolveImageSource(const Element& image, std::size_t dataLimit = kWholeContent);

// The same for an address given as text, against `base`.
ImageSource ResolveImageAddress(std::u16string_view base, std::u16string_view address,
                                std::size_t dataLimit = kWholeContent);

// Sets every image's source to its absolute address (nothing for a document
// at "about:blank"), as the editor does before switching views.
void MakeImageSourcesAbsolute(Document& document);

} // namespace vellum::html
