// Pictures turned into bitmaps from real files written here (bitmaps, JPEGs,
// icons), and the files that give none: missing, of an unknown type, junk.
#include "ui/Picture.h"

#include "platform/ui/Application.h"
#include "platform/ui/QtColor.h"
#include "platform/ui/SystemColors.h"

#include <QImage>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace vellum::ui;

namespace {

std::string Scratch(const char* name)
{
    std::filesystem::path folder = std::filesystem::path(VELLUM_BINARY_DIR) / "ui-picture-test";
    std::filesystem::create_directories(folder);
    return (folder / name).string();
}

TEST(Picture, BitmapsMapTheirGreyShadesAndOtherPicturesTakeTheFill)
{
    EnsureApplication();
    QImage source(4, 2, QImage::Format_RGB32);
    source.fill(QColor(192, 192, 192));
    source.setPixel(1, 0, qRgb(128, 128, 128));
    source.setPixel(2, 0, qRgb(10, 20, 30));
    const std::string bmp = Scratch("shades.bmp");
    ASSERT_TRUE(source.save(QString::fromStdString(bmp), "BMP"));

    QImage bitmap = LoadPictureBitmap(bmp);
    ASSERT_EQ(bitmap.size(), QSize(4, 2));
    EXPECT_EQ(QColor(bitmap.pixel(0, 0)), ToQColor(GetSystemColor(SystemColor::ButtonFace)));
    EXPECT_EQ(QColor(bitmap.pixel(1, 0)), ToQColor(GetSystemColor(SystemColor::ButtonShadow)));
    EXPECT_EQ(QColor(bitmap.pixel(2, 0)), QColor(10, 20, 30));

    const std::string jpg = Scratch("photo.jpg");
    QImage photo(30, 20, QImage::Format_RGB32);
    photo.fill(QColor(0, 0, 200));
    ASSERT_TRUE(photo.save(QString::fromStdString(jpg), "JPEG"));
    EXPECT_EQ(LoadPictureBitmap(jpg).size(), QSize(30, 20));

    // A picture with transparent parts shows the fill colour through them.
    QImage cut(4, 4, QImage::Format_ARGB32);
    cut.fill(Qt::transparent);
    cut.setPixel(0, 0, qRgba(0, 0, 0, 255));
    const std::string ico = Scratch("cut.ico");
    if (cut.save(QString::fromStdString(ico), "ICO")) {
        QImage filled = LoadPictureBitmap(ico, MakeColorRef(0, 255, 0));
        ASSERT_FALSE(filled.isNull());
        EXPECT_EQ(QColor(filled.pixel(3, 3)), QColor(0, 255, 0));
        EXPECT_EQ(QColor(filled.pixel(0, 0)), QColor(0, 0, 0));
    }

    EXPECT_TRUE(LoadPictureBitmap(Scratch("missing.gif")).isNull());
    EXPECT_TRUE(LoadPictureBitmap(Scratch("shades.png")).isNull()); // unknown type
    const std::string junk = Scratch("junk.gif");
    std::ofstream(junk) << "not a picture";
    EXPECT_TRUE(LoadPictureBitmap(junk).isNull());
}

} // namespace
