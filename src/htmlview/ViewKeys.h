// Which editing or movement action a key press means in the HTML view.
//
// The mapping is kept apart from the widget so that it reads as one table
// and so that the owner's key filter and the view agree on what a key is.
// Keys follow the conventions of the desktop the module was written for:
// Ctrl+Y redoes, Shift+Insert pastes, Shift+Delete cuts, Ctrl+Insert copies,
// and Ctrl+B, Ctrl+I and Ctrl+U toggle bold, italic and underline as the
// desktop's editing areas did.
#pragma once

class QKeyEvent;

namespace vellum::html {

enum class ViewAction {
    None, // not a key the view acts on (typed text is handled apart)
    CharacterLeft,
    CharacterRight,
    WordLeft,
    WordRight,
    LineUp,
    LineDown,
    LineStart,
    LineEnd,
    PageUp,
    PageDown,
    DocumentStart,
    DocumentEnd,
    DeleteBackward,
    DeleteForward,
    InsertParagraph,
    InsertLineBreak,
    InsertTab,   // the next table cell inside a table, spaces elsewhere
    TabBackward, // Shift+Tab: the table cell before
    SelectAll,
    Copy,
    Cut,
    Paste,
    Undo,
    Redo,
    Bold,
    Italic,
    Underline,
};

struct KeyAction
{
    ViewAction action = ViewAction::None;
    // Shift was held with a movement key: the selection's anchor stays and
    // only its moving end goes.
    bool extendSelection = false;
};

KeyAction ActionForKey(const QKeyEvent& event);

// True for the actions that only move the caret or the selection's end.
bool IsMovement(ViewAction action);
// True for the actions that change the document.
bool ChangesDocument(ViewAction action);

} // namespace vellum::html
