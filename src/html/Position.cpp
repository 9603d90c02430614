// Ordering of boundary points and what a range covers. A position's place
// in document order is the path of child indices from the root followed by
// its offset; comparing those paths lexicographically gives DOM order.
#include "html/Position.h"

#include "html/Document.h"

#include <algorithm>

namespace vellum::html {

namespace {

std::vector<std::size_t> PathOf(const Position& position, const Node*& root)
{
    std::vector<std::size_t> path{position.offset};
    const Node* node = position.node;
    while (node->Parent()) {
        path.push_back(node->IndexInParent());
        node = node->Parent();
    }
    root = node;
    std::reverse(path.begin(), path.end());
    return path;
}

// The next node in document order below `root`, or null.
const Node* NextNode(const Node* node, const Node* root)
{
    if (node->FirstChild())
        return node->FirstChild();
    for (; node && node != root; node = node->Parent())
        if (Node* next = node->NextSibling())
            return next;
    return nullptr;
}

// The part [from, to) of a text node that lies in the range; empty when
// none does.
std::pair<std::size_t, std::size_t> ClipText(const Range& range, const CharacterData& text)
{
    std::size_t length = text.Length();
    Position first{const_cast<CharacterData*>(&text), 0};
    Position last{const_cast<CharacterData*>(&text), length};
    if (ComparePositions(last, range.start) <= 0 || ComparePositions(first, range.end) >= 0)
        return {0, 0};
    std::size_t from = range.start.node == &text ? range.start.offset : 0;
    std::size_t to = range.end.node == &text ? range.end.offset : length;
    return {std::min(from, length), std::min(std::max(from, to), length)};
}

} // namespace

int ComparePositions(const Position& a, const Position& b)
{
    if (a.IsNull() || b.IsNull())
        return 0;
    if (a.node == b.node)
        return a.offset < b.offset ? -1 : a.offset > b.offset ? 1 : 0;
    const Node* rootA = nullptr;
    const Node* rootB = nullptr;
    std::vector<std::size_t> pathA = PathOf(a, rootA);
    std::vector<std::size_t> pathB = PathOf(b, rootB);
    if (rootA != rootB)
        return 0;
    if (pathA < pathB)
        return -1;
    return pathA == pathB ? 0 : 1;
}

Position PositionBefore(const Node& node)
{
    return {node.Parent(), node.Parent() ? node.IndexInParent() : 0};
}

Position PositionAfter(const Node& node)
{
    return {node.Parent(), node.Parent() ? node.IndexInParent() + 1 : 0};
}

std::size_t MaxOffset(const Node& node)
{
    const CharacterData* data = node.AsCharacterData();
    return data ? data->Length() : node.ChildCount();
}

Range MakeRange(const Position& a, const Position& b)
{
    return ComparePositions(a, b) <= 0 ? Range{a, b} : Range{b, a};
}

Node* CommonAncestor(const Range& range)
{
    if (range.IsNull())
        return nullptr;
    for (Node* node = range.start.node; node; node = node->Parent())
        if (node->Contains(range.end.node))
            return node;
    return nullptr;
}

Element* RangeParentElement(const Range& range)
{
    Node* common = CommonAncestor(range);
    if (!common)
        return nullptr;
    // A range spanning exactly one element belongs to that element.
    if (range.start.node == common && range.end.node == common &&
        range.end.offset == range.start.offset + 1) {
        Node* only = common->ChildAt(range.start.offset);
        if (only && only->IsElement())
            return only->AsElement();
    }
    if (common->Type() == NodeType::Document)
        return static_cast<Document*>(common)->Body();
    return common->IsElement() ? common->AsElement() : common->ParentElement();
}

std::u16string RangeText(const Range& range)
{
    std::u16string text;
    Node* common = CommonAncestor(range);
    if (!common || range.IsCollapsed())
        return text;
    auto lineBreak = [&] {
        if (!text.empty() && text.back() != u'\n')
            text += u"\r\n";
    };
    for (const Node* node = common; node; node = NextNode(node, common)) {
        if (const CharacterData* data = node->AsCharacterData()) {
            if (!data->IsText())
                continue;
            auto [from, to] = ClipText(range, *data);
            text += data->Data().substr(from, to - from);
            continue;
        }
        const Element* element = node->AsElement();
        if (!element || !element->Parent())
            continue;
        bool inside = RangeContainsNode(range, *element);
        bool touched = ComparePositions(PositionBefore(*element), range.end) < 0 &&
                       ComparePositions(PositionAfter(*element), range.start) > 0;
        if (element->HasTagName("BR") && inside)
            text += u"\r\n";
        else if (IsBlockElement(element->TagName()) && touched)
            lineBreak();
    }
    return text;
}

std::vector<Node*> TextNodesInRange(const Range& range)
{
    std::vector<Node*> found;
    Node* common = CommonAncestor(range);
    if (!common || range.IsCollapsed())
        return found;
    for (const Node* node = common; node; node = NextNode(node, common)) {
        if (!node->IsText())
            continue;
        auto [from, to] = ClipText(range, *node->AsCharacterData());
        if (to > from)
            found.push_back(const_cast<Node*>(node));
    }
    return found;
}

bool RangeContainsNode(const Range& range, const Node& node)
{
    if (!node.Parent() || range.IsNull())
        return false;
    return ComparePositions(PositionBefore(node), range.start) >= 0 &&
           ComparePositions(PositionAfter(node), range.end) <= 0;
}

} // namespace vellum::html
