// How each node takes part in layout: as a block, inline content, a table
// part or not at all. Unknown elements are inline, so they lay out as
// their content. The "display" property (from the style sheets or the
// "style" attribute) can hide any element and turn the others into blocks
// or inline content, blocks into the parts of a table, cells and rows into
// blocks, and any of these into inline blocks; row groups keep their role.
#pragma once

namespace vellum::html {

class Cascade;
class Node;

enum class Display {
    None,
    Inline,
    InlineBlock, // laid out as a block, placed beside its neighbours like a word
    Image,
    Break,
    Block,
    ListItem,
    Rule,
    Table,
    RowGroup,
    Row,
    Cell
};

Display DisplayOf(const Node& node, const Cascade* cascade);

// Block-level: starts its own box in a flow.
bool IsBlockLevel(Display display);

// True when an inline element holds a block somewhere below it (a FONT
// around paragraphs): it then lays out as a block of its own.
bool HoldsBlock(const Node& node, const Cascade* cascade);

} // namespace vellum::html
