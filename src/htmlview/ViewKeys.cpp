// The key table of the HTML view. Modifier combinations not listed here mean
// nothing to the view, so that Ctrl+Shift+Left, say, does not move the caret
// as if Shift alone were held.
#include "htmlview/ViewKeys.h"

#include <QKeyEvent>

namespace vellum::html {

namespace {

// Keys that move, with or without Ctrl; Shift only extends the selection.
ViewAction MovementFor(int key, bool control)
{
    switch (key) {
    case Qt::Key_Left:
        return control ? ViewAction::WordLeft : ViewAction::CharacterLeft;
    case Qt::Key_Right:
        return control ? ViewAction::WordRight : ViewAction::CharacterRight;
    case Qt::Key_Up:
        return control ? ViewAction::None : ViewAction::LineUp;
    case Qt::Key_Down:
        return control ? ViewAction::None : ViewAction::LineDown;
    case Qt::Key_Home:
        return control ? ViewAction::DocumentStart : ViewAction::LineStart;
    case Qt::Key_End:
        return control ? ViewAction::DocumentEnd : ViewAction::LineEnd;
    case Qt::Key_PageUp:
        return control ? ViewAction::None : ViewAction::PageUp;
    case Qt::Key_PageDown:
        return control ? ViewAction::None : ViewAction::PageDown;
    default:
        return ViewAction::None;
    }
}

ViewAction ControlShortcutFor(int key)
{
    switch (key) {
    case Qt::Key_A:
        return ViewAction::SelectAll;
    case Qt::Key_C:
    case Qt::Key_Insert:
        return ViewAction::Copy;
    case Qt::Key_X:
        return ViewAction::Cut;
    case Qt::Key_V:
        return ViewAction::Paste;
    case Qt::Key_Z:
        return ViewAction::Undo;
    case Qt::Key_Y:
        return ViewAction::Redo;
    case Qt::Key_B:
        return ViewAction::Bold;
    case Qt::Key_I:
        return ViewAction::Italic;
    case Qt::Key_U:
        return ViewAction::Underline;
    default:
        return ViewAction::None;
    }
}

ViewAction PlainEditingKeyFor(int key, bool shift)
{
    switch (key) {
    case Qt::Key_Backspace:
        return shift ? ViewAction::None : ViewAction::DeleteBackward;
    case Qt::Key_Delete:
        return shift ? ViewAction::Cut : ViewAction::DeleteForward;
    case Qt::Key_Insert:
        return shift ? ViewAction::Paste : ViewAction::None;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return shift ? ViewAction::InsertLineBreak : ViewAction::InsertParagraph;
    case Qt::Key_Tab:
        return shift ? ViewAction::TabBackward : ViewAction::InsertTab;
    case Qt::Key_Backtab:
        return ViewAction::TabBackward;
    default:
        return ViewAction::None;
    }
}

} // namespace

KeyAction ActionForKey(const QKeyEvent& event)
{
    // The keypad flag says nothing about intent; Alt and Meta combinations
    // belong to the window around the view.
    Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (modifiers & (Qt::AltModifier | Qt::MetaModifier))
        return {};
    bool control = modifiers & Qt::ControlModifier;
    bool shift = modifiers & Qt::ShiftModifier;
    int key = event.key();

    if (ViewAction move = MovementFor(key, control); move != ViewAction::None)
        return {move, shift};
    if (control && !shift)
        return {ControlShortcutFor(key), false};
    if (control && shift && key == Qt::Key_Z)
        return {ViewAction::Redo, false};
    if (control)
        return {};
    return {PlainEditingKeyFor(key, shift), false};
}

bool IsMovement(ViewAction action)
{
    switch (action) {
    case ViewAction::CharacterLeft:
    case ViewAction::CharacterRight:
    case ViewAction::WordLeft:
    case ViewAction::WordRight:
    case ViewAction::LineUp:
    case ViewAction::LineDown:
    case ViewAction::LineStart:
    case ViewAction::LineEnd:
    case ViewAction::PageUp:
    case ViewAction::PageDown:
    case ViewAction::DocumentStart:
    case ViewAction::DocumentEnd:
        return true;
    default:
        return false;
    }
}

bool ChangesDocument(ViewAction action)
{
    switch (action) {
    case ViewAction::DeleteBackward:
    case ViewAction::DeleteForward:
    case ViewAction::InsertParagraph:
    case ViewAction::InsertLineBreak:
    case ViewAction::InsertTab:
    case ViewAction::Cut:
    case ViewAction::Paste:
    case ViewAction::Undo:
    case ViewAction::Redo:
    case ViewAction::Bold:
    case ViewAction::Italic:
    case ViewAction::Underline:
        return true;
    default:
        return false;
    }
}

} // namespace vellum::html
