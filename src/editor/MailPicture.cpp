// The type is read from the bytes, never from a file name or a clipboard
// format's name, since both lie often enough (a ".png" that is a JPEG, a
// "image/bmp" that is a DIB without its file header).
#include "editor/MailPicture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QPainter>

namespace {

MailPicture Encode(const QImage& image, const char* format, int quality)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return {std::string("image/") + format, data.toStdString()};
}

// JPEG has no transparency: what was see-through shows white, as the
// picture showed on the page it came from, not black.
QImage ForJpeg(const QImage& image)
{
    QImage shrunk = image;
    if (std::max(image.width(), image.height()) > kLongestPictureSide)
        shrunk = image.scaled(kLongestPictureSide, kLongestPictureSide, Qt::KeepAspectRatio,
                              Qt::SmoothTransformation);
    if (!shrunk.hasAlphaChannel())
        return shrunk;
    QImage opaque(shrunk.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, shrunk);
    return opaque;
}

MailPicture AsJpeg(const QImage& image)
{
    return Encode(ForJpeg(image), "jpeg", kReencodedQuality);
}

bool TravelsAsItIs(const QByteArray& format)
{
    return format == "png" || format == "jpeg" || format == "gif";
}

} // namespace

std::optional<MailPicture> PictureForMail(std::string bytes)
{
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    if (format.isEmpty() || !reader.canRead())
        return std::nullopt;
    if (TravelsAsItIs(format) && bytes.size() <= kLargestPictureBytes)
        return MailPicture{"image/" + format.toStdString(), std::move(bytes)};
    // A photograph taken on its side is stored upright once its orientation
    // tag is gone.
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    // Too large as it came: PNG again would not be smaller.
    if (TravelsAsItIs(format))
        return AsJpeg(image);
    return PictureForMail(image);
}

MailPicture PictureForMail(const QImage& image)
{
    if (std::max(image.width(), image.height()) <= kLongestPictureSide) {
        MailPicture png = Encode(image, "png", -1);
        if (png.bytes.size() <= kLargestPictureBytes)
            return png;
    }
    return AsJpeg(image);
}

std::u16string PictureDataUrl(const MailPicture& picture)
{
    QByteArray base64 =
        QByteArray::fromRawData(picture.bytes.data(), static_cast<qsizetype>(picture.bytes.size()))
            .toBase64();
    std::u16string url =
        u"data:" + std::u16string(picture.mimeType.begin(), picture.mimeType.end()) + u";base64,";
    url.append(base64.begin(), base64.end());
    return url;
}
