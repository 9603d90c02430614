// Fonts as the module asks for them: a face name (usually "宋体") with either a
// size in tenths of a point or a character height in pixels. This platform
// rarely has the face itself, so the request falls back to an installed CJK
// face; the Chinese texts stay legible either way.
#pragma once

#include <QFont>

#include <string>

namespace vellum::ui {

struct FontRequest
{
    std::string faceUtf8 = "宋体";
    int pointSizeTenths = 0; // 100 = 10.0 points; used when pixelHeight is 0
    int pixelHeight = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool smooth = false;
};

QFont MakeFont(const FontRequest& request);

// The module's standard font: 10.0 points of "宋体".
QFont ModuleFont();

} // namespace vellum::ui
