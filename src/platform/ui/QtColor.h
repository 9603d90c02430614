// Windows colour values to QColor and back.
#pragma once

#include "platform/ui/Color.h"

#include <QColor>

namespace vellum::ui {

inline QColor ToQColor(ColorRef color)
{
    return QColor(RedOf(color), GreenOf(color), BlueOf(color));
}

inline ColorRef FromQColor(const QColor& color)
{
    return MakeColorRef(color.red(), color.green(), color.blue());
}

} // namespace vellum::ui
