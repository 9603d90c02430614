// Decoded pictures of the document's images, kept by source so that
// relaying out a paragraph does not decode its images again.
#pragma once

#include <QImage>

#include <string>
#include <unordered_map>

namespace vellum::html {

class Element;

class ImageCache
{
public:
    // The picture of an IMG element; null when its source is missing,
    // remote or undecodable.
    const QImage& ImageFor(const Element& image);
    void Clear() { images_.clear(); }

private:
    std::unordered_map<std::u16string, QImage> images_;
};

} // namespace vellum::html
