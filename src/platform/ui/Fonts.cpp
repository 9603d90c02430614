// Families are tried in order: the face asked for, then the usual Windows
// Chinese faces, then the CJK faces Debian installs (fonts-wqy-microhei,
// fonts-noto-cjk).
#include "platform/ui/Fonts.h"

#include <QStringList>

namespace vellum::ui {
namespace {

QStringList FamiliesFor(const std::string& faceUtf8)
{
    QStringList families;
    if (!faceUtf8.empty())
        families << QString::fromUtf8(faceUtf8.data(), static_cast<qsizetype>(faceUtf8.size()));
    families << "SimSun"
             << "WenQuanYi Micro Hei"
             << "Noto Sans CJK SC"
             << "Noto Serif CJK SC";
    return families;
}

} // namespace

QFont MakeFont(const FontRequest& request)
{
    QFont font;
    font.setFamilies(FamiliesFor(request.faceUtf8));
    if (request.pixelHeight > 0)
        font.setPixelSize(request.pixelHeight);
    else if (request.pointSizeTenths > 0)
        font.setPointSizeF(request.pointSizeTenths / 10.0);
    font.setBold(request.bold);
    font.setItalic(request.italic);
    font.setUnderline(request.underline);
    font.setStrikeOut(request.strikeOut);
    font.setStyleStrategy(request.smooth ? QFont::PreferAntialias : QFont::PreferDefault);
    return font;
}

QFont ModuleFont()
{
    FontRequest request;
    request.pointSizeTenths = 100;
    return MakeFont(request);
}

} // namespace vellum::ui
