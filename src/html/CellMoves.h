// Tab and Shift+Tab inside a table, as word processors have them: the caret
// goes to the next or previous cell in reading order (along the row, then on
// to the next row), and Tab in the table's last cell adds a row first. The
// view asks these before it falls back to its own meaning of the key, so
// outside tables nothing here changes anything.
#pragma once

namespace vellum::html {

class Document;
class Element;
class Node;

// The TD or TH holding a node (the nearest one), null outside tables.
Element* EnclosingCell(Node* node);

// The caret into the next cell after the one holding it; from the last cell
// a new row like the last one is added (one undo step) and the caret goes to
// its first cell. False, with nothing changed, outside tables.
bool MoveToNextCell(Document& document);
// The caret into the cell before; in the first cell it stays. False outside
// tables.
bool MoveToPreviousCell(Document& document);
// Inserting a table leaves the caret just after it; this puts the caret at
// the start of that table's first cell instead, where the words typed next
// belong. False when no table is just before the caret.
bool EnterTableBeforeCaret(Document& document);

} // namespace vellum::html
