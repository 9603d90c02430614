// The pictures of the document's images, kept by source for as long as the
// document stays loaded, so that relaying out a paragraph does not read or
// decode its images again.
//
// Layout needs only a picture's size, which the encoded bytes' header
// gives; the pixels are decoded the first time the picture is painted and
// kept from then on. A mail's pictures are so decoded once per open, and
// only those the reader scrolls to: opening a mail of twenty photographs
// paints its first screen after decoding the one or two on it. A data URL's
// base64 is likewise decoded only as far as the header at layout, and whole
// at that first paint.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vellum::html {

class Element;

class Picture
{
public:
    // Sources at least this long (data URLs: megabytes of base64) are not
    // copied but read from the element that holds them; see ImageCache.
    static constexpr std::size_t kLongSource = 4096;

    // The picture of `image`, whose source `source` is.
    Picture(const Element& image, std::u16string_view source);
    // A picture whose pixels came from elsewhere (fetched for a remote
    // source), already decoded.
    Picture(std::u16string source, QImage pixels);
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // Nothing to show: no bytes, or bytes that are no picture.
    bool IsNull() const { return size_.isEmpty(); }
    QSize Size() const { return size_; }
    // The decoded pixels (null when the bytes turned out broken past their
    // header).
    const QImage& Pixels() const;

private:
    friend class ImageCache;

    // The source's whole content, decoded.
    QByteArray WholeData() const;

    // A short source or a fetched picture's address, kept here; empty for a
    // long source, which stays in the element's attribute.
    std::u16string ownSource_;
    // Read when the pixels are first needed: elements live as long as their
    // document, so this is safe even once the attribute has changed.
    const Element* image_ = nullptr;
    mutable QByteArray encoded_; // a file's bytes until decoded; empty for a data URL
    mutable QImage pixels_;
    mutable bool decoded_ = false;
    QSize size_;
};

// Pictures are found by their source's hash and then compared whole. A
// long source is compared where it stands, in the attribute of the element
// it was first made for: a mail of twenty photographs would otherwise copy,
// and hash twice, some fifty megabytes of UTF-16 as its first screen is laid
// out. That element lends its attribute only until the attribute changes
// (Forget) or the document is replaced (Clear).
class ImageCache
{
public:
    // The picture of an IMG element, never null; a null Picture when the
    // source is missing, remote or undecodable.
    std::shared_ptr<const Picture> PictureFor(const Element& image);
    // From now on the images whose source is `source` show `pixels`.
    void Put(std::u16string source, QImage pixels);
    // The element's attributes changed: whatever its source lent goes.
    void Forget(const Element& element);
    void Clear();

private:
    struct Entry
    {
        std::u16string_view source; // the picture's own copy, or the lender's attribute
        const Element* lender;      // null when the picture holds its source
        std::shared_ptr<const Picture> picture;
    };
    using Entries = std::unordered_multimap<std::size_t, Entry>;

    Entries::iterator Find(std::size_t hash, std::u16string_view source);
    void Add(std::size_t hash, std::u16string_view source, const Element* lender,
             std::shared_ptr<const Picture> picture);

    Entries pictures_;                                        // by the hash of their source
    std::unordered_map<const Element*, std::size_t> lenders_; // to their source's hash
};

} // namespace vellum::html
