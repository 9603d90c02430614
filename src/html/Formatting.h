// Character and paragraph formatting over the selection, the way the
// editor's browser commands produced it: bold wraps in B and unwraps when the
// selection is already bold, colours become FONT color or a background-color
// style, alignment sets the block's align, lists wrap blocks in OL or UL.
// The command target maps command identifiers onto these.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vellum::html {

class Document;
class Element;
struct Range;

// One kind of character formatting: which elements carry it, and what a new
// carrier looks like.
struct InlineFormat
{
    std::vector<std::string> carrierTags; // {"B", "STRONG"}
    std::string newTag;                   // "B", "FONT", "A"
    std::string attribute;                // "color", "face", "size", "href"
    std::string styleProperty;            // "background-color"
    std::u16string value;                 // for attribute or style property

    bool IsCarriedBy(const Element& element) const;
};

// True when the whole selection (or the caret's place) carries the format.
bool IsFormatLatched(const Document& document, const InlineFormat& format);
// The nearest carrier of the format at the start of the selection.
Element* FormatCarrierAtSelection(const Document& document, const InlineFormat& format);
// Wraps the selected text in the format (an attribute format replaces the
// value of carriers inside); at a caret an empty carrier takes the caret.
bool ApplyFormat(Document& document, const InlineFormat& format);
// Takes the format off the selected text, splitting carriers at its ends.
bool RemoveFormat(Document& document, const InlineFormat& format);

// The blocks the selection touches. With `create`, text lying directly in
// the body or a cell is first wrapped in a P so that it has a block.
std::vector<Element*> SelectedBlocks(Document& document, bool create);

// "left", "center" or "right" from the block at the selection's start;
// "left" when nothing is set.
std::u16string AlignmentAtSelection(const Document& document);
bool SetAlignment(Document& document, std::u16string_view align);

// True when the selection's start lies in an item of a list with this tag.
bool IsInList(const Document& document, std::string_view listTag);
// Makes the selected blocks items of a list with this tag ("OL" or "UL");
// when they already are, turns them back into paragraphs.
bool ToggleList(Document& document, std::string_view listTag);

} // namespace vellum::html
