// Images come only from local files and data URLs (ResolveImageSource
// refuses everything else), so loading one never waits on the network; a
// local path is read only when it names a regular file of sane size that
// this process does not hold open (see ReadLocalImageFile).
#include "htmlview/ImageCache.h"

#include "html/ImageSource.h"
#include "html/LocalImageFile.h"
#include "html/Node.h"

#include <QBuffer>
#include <QImageReader>

namespace vellum::html {

namespace {

// The size the header states; a reader that cannot tell without decoding
// gets the picture decoded here (its pixels then kept).
QSize HeaderSize(const QByteArray& encoded, QImage& decoded)
{
    QBuffer buffer;
    buffer.setData(encoded);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return {};
    QSize size = reader.size();
    if (size.isValid())
        return size;
    decoded = reader.read();
    return decoded.size();
}

} // namespace

Picture::Picture(QByteArray encoded) : encoded_(std::move(encoded))
{
    if (!encoded_.isEmpty())
        size_ = HeaderSize(encoded_, pixels_);
    if (!pixels_.isNull())
        encoded_.clear();
}

const QImage& Picture::Pixels() const
{
    if (pixels_.isNull() && !encoded_.isEmpty()) {
        pixels_.loadFromData(encoded_);
        encoded_ = QByteArray();
    }
    return pixels_;
}

std::shared_ptr<const Picture> ImageCache::PictureFor(const Element& image)
{
    const std::u16string* source = image.FindAttribute("src");
    std::u16string key = source ? *source : std::u16string();
    if (auto it = pictures_.find(key); it != pictures_.end())
        return it->second;
    ImageSource resolved = ResolveImageSource(image);
    std::string bytes = resolved.kind == ImageSource::Kind::LocalFile
                            ? ReadLocalImageFile(resolved.path).value_or(std::string())
                            : std::move(resolved.bytes);
    auto picture = std::make_shared<const Picture>(QByteArray::fromStdString(bytes));
    return pictures_.emplace(std::move(key), std::move(picture)).first->second;
}

} // namespace vellum::html
