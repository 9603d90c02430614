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

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vellum::html {

class Element;

class Picture
{
public:
    // The picture of `image`, whose source `source` is.
    Picture(const Element& image, std::u16string source);
    // A picture whose pixels came from elsewhere (fetched for a remote
    // source), already decoded.
    Picture(std::u16string source, QImage pixels);

    const std::u16string& Source() const { return source_; }
    // Nothing to show: no bytes, or bytes that are no picture.
    bool IsNull() const { return size_.isEmpty(); }
    QSize Size() const { return size_; }
    // The decoded pixels (null when the bytes turned out broken past their
    // header).
    const QImage& Pixels() const;

private:
    std::u16string source_;
    mutable QByteArray encoded_; // a file's bytes until decoded; empty for a data URL
    mutable QImage pixels_;
    mutable bool decoded_ = false;
    QSize size_;
};

class ImageCache
{
public:
    // The picture of an IMG element, never null; a null Picture when the
    // source is missing, remote or undecodable.
    std::shared_ptr<const Picture> PictureFor(const Element& image);
    // From now on the images whose source is `source` show `pixels`.
    void Put(std::u16string source, QImage pixels);
    void Clear() { pictures_.clear(); }

private:
    struct SourceHash
    {
        using is_transparent = void;
        std::size_t operator()(std::u16string_view source) const
        {
            return std::hash<std::u16string_view>()(source);
        }
    };

    // Keyed by views of the pictures' own sources: a data URL is megabytes.
    std::unordered_map<std::u16string_view, std::shared_ptr<const Picture>, SourceHash,
                       std::equal_to<>>
        pictures_;
};

} // namespace vellum::html
