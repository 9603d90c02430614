// The platform's window style bits that the module passes when it creates
// controls. Only the bits something here looks at are named; the values are
// the platform's own so that ported style expressions keep their meaning.
#pragma once

namespace vellum::ui {

constexpr unsigned kStyleVisible = 0x10000000;
constexpr unsigned kStyleDisabled = 0x08000000;
constexpr unsigned kStyleBorder = 0x00800000;
constexpr unsigned kStyleGroup = 0x00020000;
constexpr unsigned kStyleTabStop = 0x00010000;
constexpr unsigned kStyleChild = 0x40000000;

// Extended style: the sunken client edge.
constexpr unsigned kExStyleClientEdge = 0x00000200;

// Button types occupy the low four bits of a button's style.
constexpr unsigned kButtonTypeMask = 0x0000000F;
constexpr unsigned kButtonPush = 0x0;
constexpr unsigned kButtonDefaultPush = 0x1;
constexpr unsigned kButtonCheckBox = 0x2;
constexpr unsigned kButtonAutoCheckBox = 0x3;

} // namespace vellum::ui
