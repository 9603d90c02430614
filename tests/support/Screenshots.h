// Offscreen pictures the tests keep for people to look at: where they go
// (the build folder's "screenshots/", which docs/ copies from), a rough
// check that a picture shows a real window rather than a blank area, and a
// picture as the data address a body's IMG can show.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <filesystem>
#include <set>
#include <string>

namespace vellum::testing {

inline std::string ScreenshotPath(const char* name)
{
    std::filesystem::path folder = std::filesystem::path(VELLUM_BINARY_DIR) / "screenshots";
    std::filesystem::create_directories(folder);
    return (folder / name).string();
}

inline std::size_t DistinctColours(const QImage& image)
{
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return colours.size();
}

inline std::string PngDataAddress(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return "data:image/png;base64," + bytes.toBase64().toStdString();
}

} // namespace vellum::testing
