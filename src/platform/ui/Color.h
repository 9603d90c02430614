// Colours as the module stores them: a Windows colour value 0x00BBGGRR, the
// form "uiprofile.ini" and the colour dialog use. Free of Qt so that
// non-window code can pass colours around; QtColor.h converts at the edge.
#pragma once

#include <cstdint>

namespace vellum::ui {

using ColorRef = std::uint32_t;

constexpr ColorRef MakeColorRef(int red, int green, int blue)
{
    return static_cast<ColorRef>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

constexpr int RedOf(ColorRef color)
{
    return static_cast<int>(color & 0xFF);
}
constexpr int GreenOf(ColorRef color)
{
    return static_cast<int>((color >> 8) & 0xFF);
}
constexpr int BlueOf(ColorRef color)
{
    return static_cast<int>((color >> 16) & 0xFF);
}

} // namespace vellum::ui
