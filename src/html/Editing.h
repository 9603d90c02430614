// Editing operations on the document's selection: the ones a view needs for
// typing and the building blocks of the editing commands.
//
// Each public operation is one undo step (typing steps join into words) and
// leaves the selection where a user expects the caret afterwards. They work
// on any document; the command target adds the design-mode check.
#pragma once

#include "html/Position.h"

#include <string>
#include <string_view>
#include <vector>

namespace vellum::html {

class Document;
class Element;
class Node;

// Typed text replaces the selection; the caret ends after it.
bool InsertText(Document& document, std::u16string_view text);
// Backspace and Delete: remove the selection, or the character (or image,
// line break, block boundary) before or after the caret.
bool DeleteBackward(Document& document);
bool DeleteForward(Document& document);
// Shift+Enter: a BR at the caret.
bool InsertLineBreak(Document& document);
// Enter: splits the caret's block (DIV, P, LI, heading) in two; the caret
// goes to the start of the second.
bool InsertParagraph(Document& document);
// Removes what is selected: the text range's contents or the controls.
bool DeleteSelection(Document& document);
// Replaces the selection by parsed HTML, the way the browser's range paste
// did; a control selection is removed first. The caret ends after the
// inserted content. False when there is nothing to paste into.
bool PasteHtml(Document& document, std::u16string_view html);
// Replaces the selection by the given new nodes (an image, a rule).
bool ReplaceSelection(Document& document, const std::vector<Node*>& nodes);
// Selects the body's whole content.
bool SelectAll(Document& document);

// HTML of the selection (a text range's contents with the elements it
// partly covers, or the controls' outer HTML) and its plain text, for copy.
std::u16string SelectionHtml(const Document& document);
std::u16string SelectionText(const Document& document);

// Building blocks, in the current edit step.

// Deletes a range's contents; blocks the range crosses are joined. Returns
// the collapsed position where the contents were.
Position DeleteContents(Document& document, const Range& range);
// Makes a position lie between children (splitting a text node when it is
// in the middle of one) and returns that position.
Position SplitAtPosition(const Position& position);
// Splits every element from the position's container up to and including
// `ancestor`; returns the new right half of `ancestor` (null when the
// position is not inside it).
Element* SplitAncestorsAt(const Position& position, Element& ancestor);
// Inserts nodes at a position (splitting text there); returns the position
// just after the last of them.
Position InsertNodesAt(const Position& position, const std::vector<Node*>& nodes);
// The nearest block element holding the node (itself included).
Element* EnclosingBlock(Node* node);

} // namespace vellum::html
