// The system colours the module paints with, taken from the application's
// palette so that the windows follow the desktop's theme.
#pragma once

#include "platform/ui/Color.h"

namespace vellum::ui {

enum class SystemColor {
    ButtonFace, // background of buttons, bars and dialogs
    ButtonText,
    Window, // background of edit fields and grids
    WindowText,
    ButtonHighlight, // lit edge of a raised button
    ButtonLight,     // inner lit edge
    ButtonShadow,    // shaded edge
    ButtonDarkShadow,
    GrayText,
    Highlight,
    HighlightText,
};

// Without an application object the classic desktop's colours are given.
ColorRef GetSystemColor(SystemColor which);

} // namespace vellum::ui
