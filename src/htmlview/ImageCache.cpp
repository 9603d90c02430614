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

Picture::Picture(const Element& image, std::u16string_view source)
{
    if (source.size() < kLongSource)
        ownSource_ = std::u16string(source);
    else
        image_ = &image;
    ImageSource resolved = ResolveImageSource(image, kHeaderBytes);
    if (resolved.kind == ImageSource::Kind::LocalFile)
        encoded_ = Bytes(ReadLocalImageFile(resolved.path).value_or(std::string()));
    QByteArray header =
        resolved.kind == ImageSource::Kind::Data ? Bytes(std::move(resolved.bytes)) : encoded_;
    if (!header.isEmpty())
        size_ = HeaderSize(header, pixels_);
    if (pixels_.isNull() && size_.isEmpty() && resolved.kind == ImageSource::Kind::Data &&
        header.size() == static_cast<qsizetype>(kHeaderBytes))
        size_ = HeaderSize(WholeData(), pixels_);
    decoded_ = !pixels_.isNull();
}

Picture::Picture(std::u16string source, QImage pixels)
    : ownSource_(std::move(source)), pixels_(std::move(pixels)), decoded_(true),
      size_(pixels_.size())
{
}

QByteArray Picture::WholeData() const
{
    return Bytes(image_ ? ResolveImageSource(*image_).bytes
                        : ResolveImageAddress(u"", ownSource_).bytes);
}

const QImage& Picture::Pixels() const
{
    if (decoded_)
        return pixels_;
    decoded_ = true;
    if (encoded_.isEmpty())
        encoded_ = WholeData();
    pixels_.loadFromData(encoded_);
    encoded_ = QByteArray();
    return pixels_;
}

ImageCache::Entries::iterator ImageCache::Find(std::size_t hash, std::u16string_view source)
{
    auto [first, last] = pictures_.equal_range(hash);
    for (auto it = first; it != last; ++it) {
        if (it->second.source == source)
            return it;
    }
    return pictures_.end();
}

void ImageCache::Add(std::size_t hash, std::u16string_view source, const Element* lender,
                     std::shared_ptr<const Picture> picture)
{
    if (lender) {
        Forget(*lender); // an element lends one source, its current one
        lenders_.emplace(lender, hash);
    }
    pictures_.emplace(hash, Entry{source, lender, std::move(picture)});
}

std::shared_ptr<const Picture> ImageCache::PictureFor(const Element& image)
{
    const std::u16string* given = image.FindAttribute("src");
    std::u16string_view source = given ? std::u16string_view(*given) : std::u16string_view();
    const std::size_t hash = std::hash<std::u16string_view>()(source);
    if (auto it = Find(hash, source); it != pictures_.end())
        return it->second.picture;
    auto picture = std::make_shared<const Picture>(image, source);
    if (picture->image_)
        Add(hash, source, &image, picture);
    else
        Add(hash, picture->ownSource_, nullptr, picture);
    return picture;
}

void ImageCache::Put(std::u16string source, QImage pixels)
{
    auto picture = std::make_shared<const Picture>(std::move(source), std::move(pixels));
    const std::u16string_view own = picture->ownSource_;
    const std::size_t hash = std::hash<std::u16string_view>()(own);
    if (auto it = Find(hash, own); it != pictures_.end()) {
        if (it->second.lender)
            lenders_.erase(it->second.lender);
        pictures_.erase(it);
    }
    Add(hash, own, nullptr, std::move(picture));
}

// The lender's attribute may already be gone: its entry is found by the
// hash kept for it, never by its text.
void ImageCache::Forget(const Element& element)
{
    auto lent = lenders_.find(&element);
    if (lent == lenders_.end())
        return;
    auto [first, last] = pictures_.equal_range(lent->second);
    for (auto it = first; it != last; ++it) {
        if (it->second.lender == &element) {
            pictures_.erase(it);
            break;
        }
    }
    lenders_.erase(lent);
}

void ImageCache::Clear()
{
    pictures_.clear();
    lenders_.clear();
}

} // namespace vellum::html
