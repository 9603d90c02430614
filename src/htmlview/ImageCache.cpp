// Images come only from local files and data URLs (ResolveImageSource
// refuses everything else), so loading one never waits on the network; a
// local path is read only when it names a regular file of sane size that
// this process does not hold open (see ReadLocalImageFile). A remote
// picture shows only when its owner fetched and decoded it and Put it here.
#include "htmlview/ImageCache.h"

#include "html/ImageSource.h"
#include "html/LocalImageFile.h"
#include "html/Node.h"

#include <QBuffer>
#include <QImageReader>

namespace vellum::html {

namespace {

// Enough of a data URL's content for the header of any picture a mail
// carries, a camera's EXIF block included.
constexpr std::size_t kHeaderBytes = 96 * 1024;

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

QByteArray Bytes(std::string&& bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

Picture::Picture(const Element& image, std::u16string source) : source_(std::move(source))
{
    ImageSource resolved = ResolveImageSource(image, kHeaderBytes);
    if (resolved.kind == ImageSource::Kind::LocalFile)
        encoded_ = Bytes(ReadLocalImageFile(resolved.path).value_or(std::string()));
    QByteArray header =
        resolved.kind == ImageSource::Kind::Data ? Bytes(std::move(resolved.bytes)) : encoded_;
    if (!header.isEmpty())
        size_ = HeaderSize(header, pixels_);
    if (pixels_.isNull() && size_.isEmpty() && resolved.kind == ImageSource::Kind::Data &&
        header.size() == static_cast<qsizetype>(kHeaderBytes))
        size_ = HeaderSize(Bytes(ResolveImageAddress(u"", source_).bytes), pixels_);
    decoded_ = !pixels_.isNull();
}

Picture::Picture(std::u16string source, QImage pixels)
    : source_(std::move(source)), pixels_(std::move(pixels)), decoded_(true), size_(pixels_.size())
{
}

const QImage& Picture::Pixels() const
{
    if (decoded_)
        return pixels_;
    decoded_ = true;
    if (encoded_.isEmpty())
        encoded_ = Bytes(ResolveImageAddress(u"", source_).bytes);
    pixels_.loadFromData(encoded_);
    encoded_ = QByteArray();
    return pixels_;
}

std::shared_ptr<const Picture> ImageCache::PictureFor(const Element& image)
{
    const std::u16string* given = image.FindAttribute("src");
    std::u16string_view source = given ? std::u16string_view(*given) : std::u16string_view();
    if (auto it = pictures_.find(source); it != pictures_.end())
        return it->second;
    auto picture = std::make_shared<const Picture>(image, std::u16string(source));
    pictures_.emplace(picture->Source(), picture);
    return picture;
}

void ImageCache::Put(std::u16string source, QImage pixels)
{
    auto picture = std::make_shared<const Picture>(std::move(source), std::move(pixels));
    pictures_.erase(picture->Source());
    pictures_.emplace(picture->Source(), std::move(picture));
}

} // namespace vellum::html
