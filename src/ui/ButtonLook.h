// What an image button looks like in a given state: which colour slots fill
// its background and write its caption, which edge it draws, and whether its
// content is shifted as if pushed. Kept apart from the widget so the rules can
// be read (and tested) in one place.
#pragma once

#include "platform/ui/Color.h"

#include <array>

// Colour slots of an image button.
enum ImageButtonColor {
    kColorBackHover = 0, // hovered or pressed
    kColorTextHover = 1,
    kColorBackNormal = 2,
    kColorTextNormal = 3,
    kColorBackFocus = 4,
    kColorTextFocus = 5,
    kColorSlotCount = 6,
};

enum class ButtonEdge {
    None,
    Sunken,      // flat, pressed: shadow top-left, highlight bottom-right
    ShadowFrame, // not flat, pressed: one-pixel frame in the shadow colour
    RaisedThick, // not flat: two-pixel raised edge
    RaisedThin,  // flat, hovered: one-pixel raised edge
};

struct ButtonState
{
    bool checkBoxMode = false;
    bool checked = false;
    bool selected = false; // the mouse button is held down on it
    bool hovered = false;
    bool focused = false;
    bool disabled = false;
    bool isDefault = false;
    bool flat = true;
    bool drawBorder = true;
    bool drawFlatFocus = false;
};

struct ButtonLook
{
    bool pressed = false;
    bool blackFrame = false; // not flat, focused or default
    vellum::ui::ColorRef background = 0;
    vellum::ui::ColorRef text = 0;
    bool disabledText = false; // embossed in highlight and shadow instead
    ButtonEdge edge = ButtonEdge::None;
    bool contentShifted = false; // moved 1 pixel right and down
    bool focusRect = false;
};

ButtonLook ChooseButtonLook(const ButtonState& state,
                            const std::array<vellum::ui::ColorRef, kColorSlotCount>& colors);
