// Qt's palette roles name the same shades under other names: the lit edges
// are Light and Midlight, the shadows Dark and Shadow.
#include "platform/ui/SystemColors.h"

#include "platform/ui/QtColor.h"

#include <QGuiApplication>
#include <QPalette>

namespace vellum::ui {
namespace {

ColorRef ClassicColor(SystemColor which)
{
    switch (which) {
    case SystemColor::ButtonFace:
        return MakeColorRef(240, 240, 240);
    case SystemColor::Window:
    case SystemColor::ButtonHighlight:
    case SystemColor::HighlightText:
        return MakeColorRef(255, 255, 255);
    case SystemColor::ButtonLight:
        return MakeColorRef(227, 227, 227);
    case SystemColor::ButtonShadow:
        return MakeColorRef(160, 160, 160);
    case SystemColor::ButtonDarkShadow:
        return MakeColorRef(105, 105, 105);
    case SystemColor::GrayText:
        return MakeColorRef(109, 109, 109);
    case SystemColor::Highlight:
        return MakeColorRef(0, 120, 215);
    case SystemColor::ButtonText:
    case SystemColor::WindowText:
        break;
    }
    return MakeColorRef(0, 0, 0);
}

QColor PaletteColor(const QPalette& palette, SystemColor which)
{
    switch (which) {
    case SystemColor::ButtonFace:
        return palette.color(QPalette::Button);
    case SystemColor::ButtonText:
        return palette.color(QPalette::ButtonText);
    case SystemColor::Window:
        return palette.color(QPalette::Base);
    case SystemColor::WindowText:
        return palette.color(QPalette::Text);
    case SystemColor::ButtonHighlight:
        return palette.color(QPalette::Light);
    case SystemColor::ButtonLight:
        return palette.color(QPalette::Midlight);
    case SystemColor::ButtonShadow:
        return palette.color(QPalette::Dark);
    case SystemColor::ButtonDarkShadow:
        return palette.color(QPalette::Shadow);
    case SystemColor::GrayText:
        return palette.color(QPalette::Disabled, QPalette::Text);
    case SystemColor::Highlight:
        return palette.color(QPalette::Highlight);
    case SystemColor::HighlightText:
        return palette.color(QPalette::HighlightedText);
    }
    return Qt::black;
}

} // namespace

ColorRef GetSystemColor(SystemColor which)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return ClassicColor(which);
    return FromQColor(PaletteColor(QGuiApplication::palette(), which));
}

} // namespace vellum::ui
