// The key table: which key presses move, extend, edit or mean nothing.
#include "platform/htmlview/ViewKeys.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

using namespace vellum::html;

namespace {

struct KeyCase
{
    int key;
    Qt::KeyboardModifiers modifiers;
    ViewAction action;
    bool extend = false;
};

} // namespace

TEST(ViewKeys, EachKeyMapsToItsActionAndOthersMeanNothing)
{
    const KeyCase cases[] = {
        {Qt::Key_Left, Qt::NoModifier, ViewAction::CharacterLeft},
        {Qt::Key_Right, Qt::ShiftModifier, ViewAction::CharacterRight, true},
        {Qt::Key_Left, Qt::ControlModifier, ViewAction::WordLeft},
        {Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier, ViewAction::WordRight, true},
        {Qt::Key_Up, Qt::NoModifier, ViewAction::LineUp},
        {Qt::Key_Down, Qt::ShiftModifier, ViewAction::LineDown, true},
        {Qt::Key_Home, Qt::NoModifier, ViewAction::LineStart},
        {Qt::Key_End, Qt::ShiftModifier, ViewAction::LineEnd, true},
        {Qt::Key_Home, Qt::ControlModifier, ViewAction::DocumentStart},
        {Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier, ViewAction::DocumentEnd, true},
        {Qt::Key_PageUp, Qt::NoModifier, ViewAction::PageUp},
        {Qt::Key_PageDown, Qt::ShiftModifier, ViewAction::PageDown, true},
        // The keypad's arrows are arrows.
        {Qt::Key_Left, Qt::KeypadModifier, ViewAction::CharacterLeft},
        {Qt::Key_Backspace, Qt::NoModifier, ViewAction::DeleteBackward},
        {Qt::Key_Delete, Qt::NoModifier, ViewAction::DeleteForward},
        {Qt::Key_Return, Qt::NoModifier, ViewAction::InsertParagraph},
        {Qt::Key_Enter, Qt::KeypadModifier, ViewAction::InsertParagraph},
        {Qt::Key_Return, Qt::ShiftModifier, ViewAction::InsertLineBreak},
        {Qt::Key_Tab, Qt::NoModifier, ViewAction::InsertTab},
        {Qt::Key_A, Qt::ControlModifier, ViewAction::SelectAll},
        {Qt::Key_C, Qt::ControlModifier, ViewAction::Copy},
        {Qt::Key_Insert, Qt::ControlModifier, ViewAction::Copy},
        {Qt::Key_X, Qt::ControlModifier, ViewAction::Cut},
        {Qt::Key_Delete, Qt::ShiftModifier, ViewAction::Cut},
        {Qt::Key_V, Qt::ControlModifier, ViewAction::Paste},
        {Qt::Key_Insert, Qt::ShiftModifier, ViewAction::Paste},
        {Qt::Key_Z, Qt::ControlModifier, ViewAction::Undo},
        {Qt::Key_Y, Qt::ControlModifier, ViewAction::Redo},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, ViewAction::Redo},
        // The owner's shortcuts, window keys and letters (typed text is read
        // from the event's text, not from this table).
        {Qt::Key_S, Qt::ControlModifier, ViewAction::None},
        {Qt::Key_H, Qt::ControlModifier, ViewAction::None},
        {Qt::Key_N, Qt::ControlModifier, ViewAction::None},
        {Qt::Key_Left, Qt::AltModifier, ViewAction::None},
        {Qt::Key_C, Qt::ControlModifier | Qt::AltModifier, ViewAction::None},
        {Qt::Key_Tab, Qt::ShiftModifier, ViewAction::None},
        {Qt::Key_Up, Qt::ControlModifier, ViewAction::None},
        {Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier, ViewAction::None},
        {Qt::Key_A, Qt::NoModifier, ViewAction::None},
        {Qt::Key_F1, Qt::NoModifier, ViewAction::None},
    };
    for (const KeyCase& c : cases) {
        QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers);
        KeyAction action = ActionForKey(event);
        EXPECT_EQ(action.action, c.action) << c.key << " " << c.modifiers;
        EXPECT_EQ(action.extendSelection, c.extend) << c.key << " " << c.modifiers;
    }
}

TEST(ViewKeys, MovementsAreTheActionsThatLeaveTheDocumentAlone)
{
    for (ViewAction movement :
         {ViewAction::CharacterLeft, ViewAction::WordRight, ViewAction::LineUp, ViewAction::LineEnd,
          ViewAction::DocumentStart, ViewAction::PageDown}) {
        EXPECT_TRUE(IsMovement(movement)) << static_cast<int>(movement);
        EXPECT_FALSE(ChangesDocument(movement)) << static_cast<int>(movement);
    }
    for (ViewAction edit : {ViewAction::DeleteBackward, ViewAction::InsertTab, ViewAction::Paste,
                            ViewAction::Copy, ViewAction::SelectAll, ViewAction::Undo})
        EXPECT_FALSE(IsMovement(edit)) << static_cast<int>(edit);
    EXPECT_TRUE(ChangesDocument(ViewAction::Paste));
    EXPECT_FALSE(ChangesDocument(ViewAction::Copy));
    EXPECT_FALSE(ChangesDocument(ViewAction::SelectAll));
}
