// Qt's image readers stand in for the platform's picture loader. The path is
// host code page text; the file system wants UTF-8, hence ToQString.
#include "ui/Picture.h"

#include "platform/ui/QtColor.h"
#include "platform/ui/QtText.h"
#include "platform/ui/SystemColors.h"

#include <QImageReader>
#include <QPainter>

using namespace vellum::ui;

namespace {

bool ContainsAfterStart(const std::string& upper, const char* extension)
{
    size_t at = upper.find(extension);
    return at != std::string::npos && at > 0;
}

QImage ReadImage(const std::string& path)
{
    QImageReader reader(ToQString(path));
    reader.setAutoTransform(false);
    return reader.read();
}

// The three grey shades of a classic 3-D bitmap take the desktop's colours.
QImage WithSystemShades(QImage image)
{
    struct Shade
    {
        QRgb grey;
        SystemColor color;
    };
    const Shade shades[] = {
        {qRgb(128, 128, 128), SystemColor::ButtonShadow},
        {qRgb(192, 192, 192), SystemColor::ButtonFace},
        {qRgb(223, 223, 223), SystemColor::ButtonLight},
    };
    image = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            for (const Shade& shade : shades) {
                if ((line[x] & 0xFFFFFF) == (shade.grey & 0xFFFFFF))
                    line[x] = ToQColor(GetSystemColor(shade.color)).rgb();
            }
        }
    }
    return image;
}

QImage RenderedPicture(const QImage& picture, std::optional<ColorRef> fill)
{
    QImage bitmap(picture.size(), QImage::Format_RGB32);
    bitmap.fill(fill ? ToQColor(*fill) : QColor(Qt::black));
    QPainter painter(&bitmap);
    painter.drawImage(QPoint(0, 0), picture);
    return bitmap;
}

} // namespace

int GetPictureType(const std::string& path)
{
    std::string upper = path;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    if (ContainsAfterStart(upper, ".BMP"))
        return kPictureBitmap;
    if (ContainsAfterStart(upper, ".ICO"))
        return kPictureIcon;
    if (ContainsAfterStart(upper, ".JPG") || ContainsAfterStart(upper, ".JPEG"))
        return kPictureJpeg;
    if (ContainsAfterStart(upper, ".GIF"))
        return kPictureGif;
    return kPictureUnknown;
}

QImage LoadPictureBitmap(const std::string& path, std::optional<ColorRef> fill)
{
    int type = GetPictureType(path);
    if (type == kPictureUnknown)
        return QImage();
    QImage picture = ReadImage(path);
    if (picture.isNull())
        return QImage();
    if (type == kPictureBitmap)
        return WithSystemShades(picture);
    return RenderedPicture(picture, fill);
}
