// A toggle shows its checked state as pressed but never shifts its content:
// a checked toggle sits still, only a push button moves while held down.
#include "ui/ButtonLook.h"

namespace {

ButtonEdge EdgeFor(const ButtonState& state, bool pressed)
{
    if (pressed)
        return state.flat ? (state.drawBorder ? ButtonEdge::Sunken : ButtonEdge::None)
                          : ButtonEdge::ShadowFrame;
    if (!state.flat)
        return ButtonEdge::RaisedThick;
    if (state.hovered && state.drawBorder)
        return ButtonEdge::RaisedThin;
    return ButtonEdge::None;
}

} // namespace

ButtonLook ChooseButtonLook(const ButtonState& state,
                            const std::array<vellum::ui::ColorRef, kColorSlotCount>& colors)
{
    ButtonLook look;
    look.pressed = state.checkBoxMode ? (state.selected || state.checked) : state.selected;
    look.blackFrame = !state.flat && (state.focused || state.isDefault);

    int backSlot = kColorBackNormal;
    int textSlot = kColorTextNormal;
    if (state.hovered || look.pressed) {
        backSlot = kColorBackHover;
        textSlot = kColorTextHover;
    } else if (state.focused) {
        backSlot = kColorBackFocus;
        textSlot = kColorTextFocus;
    }
    look.background = colors[backSlot];
    look.text = colors[textSlot];
    look.disabledText = state.disabled;
    look.edge = EdgeFor(state, look.pressed);
    look.contentShifted = look.pressed && !state.checkBoxMode;
    look.focusRect = state.focused && (!state.flat || state.drawFlatFocus);
    return look;
}
