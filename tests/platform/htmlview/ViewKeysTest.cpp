// The key table: which key presses move, extend, edit or mean nothing.
#include "platform/htmlview/ViewKeys.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

using namespace vellum::html;

namespace {

KeyAction For(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    return ActionForKey(event);
}

struct KeyCase
{
    int key;
    Qt::KeyboardModifiers modifiers;
    ViewAction action;
    bool extend;
};

} // namespace

TEST(ViewKeys, MovementKeysWithAndWithoutShiftAndControl)
{
    const KeyCase cases[] = {
        {Qt::Key_Left, Qt::NoModifier, ViewAction::CharacterLeft, false},
        {Qt::Key_Right, Qt::ShiftModifier, ViewAction::CharacterRight, true},
        {Qt::Key_Left, Qt::ControlModifier, ViewAction::WordLeft, false},
        {Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier, ViewAction::WordRight, true},
        {Qt::Key_Up, Qt::NoModifier, ViewAction::LineUp, false},
        {Qt::Key_Down, Qt::ShiftModifier, ViewAction::LineDown, true},
        {Qt::Key_Home, Qt::NoModifier, ViewAction::LineStart, false},
        {Qt::Key_End, Qt::ShiftModifier, ViewAction::LineEnd, true},
        {Qt::Key_Home, Qt::ControlModifier, ViewAction::DocumentStart, false},
        {Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier, ViewAction::DocumentEnd, true},
        {Qt::Key_PageUp, Qt::NoModifier, ViewAction::PageUp, false},
        {Qt::Key_PageDown, Qt::ShiftModifier, ViewAction::PageDown, true},
        // The keypad's arrows are arrows.
        {Qt::Key_Left, Qt::KeypadModifier, ViewAction::CharacterLeft, false},
    };
    for (const KeyCase& c : cases) {
        KeyAction action = For(c.key, c.modifiers);
        EXPECT_EQ(action.action, c.action) << c.key << " " << c.modifiers;
        EXPECT_EQ(action.extendSelection, c.extend) << c.key << " " << c.modifiers;
        EXPECT_TRUE(IsMovement(action.action));
        EXPECT_FALSE(ChangesDocument(action.action));
    }
}

TEST(ViewKeys, EditingKeysAndShortcuts)
{
    const KeyCase cases[] = {
        {Qt::Key_Backspace, Qt::NoModifier, ViewAction::DeleteBackward, false},
        {Qt::Key_Delete, Qt::NoModifier, ViewAction::DeleteForward, false},
        {Qt::Key_Return, Qt::NoModifier, ViewAction::InsertParagraph, false},
        {Qt::Key_Enter, Qt::KeypadModifier, ViewAction::InsertParagraph, false},
        {Qt::Key_Return, Qt::ShiftModifier, ViewAction::InsertLineBreak, false},
        {Qt::Key_Tab, Qt::NoModifier, ViewAction::InsertTab, false},
        {Qt::Key_A, Qt::ControlModifier, ViewAction::SelectAll, false},
        {Qt::Key_C, Qt::ControlModifier, ViewAction::Copy, false},
        {Qt::Key_Insert, Qt::ControlModifier, ViewAction::Copy, false},
        {Qt::Key_X, Qt::ControlModifier, ViewAction::Cut, false},
        {Qt::Key_Delete, Qt::ShiftModifier, ViewAction::Cut, false},
        {Qt::Key_V, Qt::ControlModifier, ViewAction::Paste, false},
        {Qt::Key_Insert, Qt::ShiftModifier, ViewAction::Paste, false},
        {Qt::Key_Z, Qt::ControlModifier, ViewAction::Undo, false},
        {Qt::Key_Y, Qt::ControlModifier, ViewAction::Redo, false},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, ViewAction::Redo, false},
    };
    for (const KeyCase& c : cases) {
        KeyAction action = For(c.key, c.modifiers);
        EXPECT_EQ(action.action, c.action) << c.key << " " << c.modifiers;
        EXPECT_FALSE(action.extendSelection);
        EXPECT_FALSE(IsMovement(action.action));
    }
    EXPECT_TRUE(ChangesDocument(ViewAction::Paste));
    EXPECT_FALSE(ChangesDocument(ViewAction::Copy));
    EXPECT_FALSE(ChangesDocument(ViewAction::SelectAll));
}

TEST(ViewKeys, KeysTheViewLeavesToOthers)
{
    // The owner's shortcuts, window keys and letters (typed text is read
    // from the event's text, not from this table).
    const KeyCase cases[] = {
        {Qt::Key_S, Qt::ControlModifier, ViewAction::None, false},
        {Qt::Key_H, Qt::ControlModifier, ViewAction::None, false},
        {Qt::Key_N, Qt::ControlModifier, ViewAction::None, false},
        {Qt::Key_Left, Qt::AltModifier, ViewAction::None, false},
        {Qt::Key_C, Qt::ControlModifier | Qt::AltModifier, ViewAction::None, false},
        {Qt::Key_Tab, Qt::ShiftModifier, ViewAction::None, false},
        {Qt::Key_Up, Qt::ControlModifier, ViewAction::None, false},
        {Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier, ViewAction::None, false},
        {Qt::Key_A, Qt::NoModifier, ViewAction::None, false},
        {Qt::Key_F1, Qt::NoModifier, ViewAction::None, false},
    };
    for (const KeyCase& c : cases)
        EXPECT_EQ(For(c.key, c.modifiers).action, ViewAction::None) << c.key << " " << c.modifiers;
}
