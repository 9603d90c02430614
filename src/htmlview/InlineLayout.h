// Inline layout of one block: collapsing the white space of its text nodes
// into one string, shaping and breaking it into lines with QTextLayout, and
// mapping between document positions and places in that string.
//
// Images take part in line breaking as one character each: a character
// drawn in a one-pixel transparent font whose letter spacing makes it
// exactly as wide as the image; the line is then made tall enough for it.
#pragma once

#include "html/Position.h"
#include "htmlview/LayoutBox.h"

#include <memory>
#include <vector>

namespace vellum::html {

class Cascade;
class ImageCache;

// Collects the inline content below `roots` (or nothing for an empty
// block) in `style`, styling the elements with `cascade` (null: no style
// sheets). Shaped segments of `previous` (the block's content before an
// edit) that did not change are taken over.
std::unique_ptr<InlineContent> BuildInlineContent(const std::vector<Node*>& roots,
                                                  const LayoutStyle& style, ImageCache& images,
                                                  const Cascade* cascade,
                                                  InlineContent* previous = nullptr);

// Breaks the content into lines `width` pixels wide and places them.
void LayoutLines(InlineContent& content, const LayoutStyle& style, qreal width);

// The narrowest width the content can take without overflowing a word, and
// the width it takes unbroken; both cached in the content.
void MeasureIntrinsicWidths(InlineContent& content, const LayoutStyle& style);

// A position reduced to the node it really points at: text (with an
// offset), an element without children (before or after it), or an
// element left empty.
struct LeafPosition
{
    Node* node = nullptr;
    std::size_t offset = 0;
    bool after = false; // for an element: the place after it
};
LeafPosition ResolveLeaf(const Position& position);

// The place in the layout text of a leaf position; -1 when the content
// does not hold it.
int IndexOfLeaf(const InlineContent& content, const LeafPosition& leaf);

// The document position of a place in the layout text; `container` answers
// for an empty block.
Position PositionAtIndex(const InlineContent& content, int index, Node* container);

// The node that answers for a box with no text: its element, or for an
// anonymous box the parent of its nodes.
Node* ContainerOf(const Box& box);

// The document position of a caret place in a box with lines.
Position PositionInBox(const Box& box, int index);

// The piece holding character `index`, or null.
const InlinePiece* PieceAt(const InlineContent& content, int index);

} // namespace vellum::html
