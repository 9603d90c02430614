// The pictures of the document's images, kept by source for as long as the
// document stays loaded, so that relaying out a paragraph does not read or
// decode its images again.
//
// Layout needs only a picture's size, which the encoded bytes' header
// gives; the pixels are decoded the first time the picture is painted and
// kept from then on. A mail's pictures are so decoded once per open, and
// only those the reader scrolls to: opening a mail of twenty photographs
// paints its first screen after decoding the one or two on it.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <memory>
#include <string>
#include <unordered_map>

namespace vellum::html {

class Element;

class Picture
{
public:
    explicit Picture(QByteArray encoded);

    // Nothing to show: no bytes, or bytes that are no picture.
    bool IsNull() const { return size_.isEmpty(); }
    QSize Size() const { return size_; }
    // The decoded pixels (null when the bytes turned out broken past their
    // header); the encoded bytes are let go once decoded.
    const QImage& Pixels() const;

private:
    mutable QByteArray encoded_;
    mutable QImage pixels_;
    QSize size_;
};

class ImageCache
{
public:
    // The picture of an IMG element, never null; a null Picture when the
    // source is missing, remote or undecodable.
    std::shared_ptr<const Picture> PictureFor(const Element& image);
    void Clear() { pictures_.clear(); }

private:
    std::unordered_map<std::u16string, std::shared_ptr<const Picture>> pictures_;
};

} // namespace vellum::html
