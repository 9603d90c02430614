// Boundary points and ranges in a document.
//
// A Position is a DOM boundary point: in a text node the offset counts UTF-16
// units of its data, in an element or the document it counts children (offset
// 2 is between the second and third child). A Range is two positions in
// document order; a collapsed range is a caret. These are plain values: the
// Document keeps the selection valid when the tree changes under it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vellum::html {

class Node;
class Element;

struct Position
{
    Node* node = nullptr;
    std::size_t offset = 0;

    bool IsNull() const { return node == nullptr; }
    bool operator==(const Position&) const = default;
};

// Negative when a lies before b, 0 when they are the same point, positive
// after. Positions in different trees compare as equal (0).
int ComparePositions(const Position& a, const Position& b);

// The positions just before and just after a node, in its parent.
Position PositionBefore(const Node& node);
Position PositionAfter(const Node& node);

// The largest offset valid in the node (its length or child count).
std::size_t MaxOffset(const Node& node);

struct Range
{
    Position start;
    Position end;

    bool IsNull() const { return start.IsNull() || end.IsNull(); }
    bool IsCollapsed() const { return start == end; }
    bool operator==(const Range&) const = default;
};

// Builds a range from two points given in either order.
Range MakeRange(const Position& a, const Position& b);

// The deepest node holding both ends.
Node* CommonAncestor(const Range& range);

// The element that holds the whole range: its common ancestor, or that
// node's parent when it is a text node.
Element* RangeParentElement(const Range& range);

// The range's text: text nodes clipped to the range, "\r\n" for each BR and
// between blocks, as the editor's clipboard and selection text expect.
std::u16string RangeText(const Range& range);

// Text nodes that the range touches with at least one character, in order.
std::vector<Node*> TextNodesInRange(const Range& range);

// True when the node lies wholly inside the range.
bool RangeContainsNode(const Range& range, const Node& node);

} // namespace vellum::html
