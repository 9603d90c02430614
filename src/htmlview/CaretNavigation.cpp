// Caret geometry. Vertical movement and hit-testing look for the nearest
// line by geometry, not by document order, so they work across table cells
// and blocks of any nesting: first by vertical distance, then horizontal.
#include "htmlview/CaretNavigation.h"

#include "html/Node.h"
#include "htmlview/InlineLayout.h"
#include "htmlview/TextLines.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <functional>
#include <limits>

namespace vellum::html {
namespace {

// Vertical distance counts far more than horizontal: a line beside the
// point beats one above it however near that one is sideways.
constexpr qreal kVerticalWeight = 10000;

qreal Distance(qreal value, qreal low, qreal high)
{
    if (value < low)
        return low - value;
    if (value > high)
        return value - high;
    return 0;
}

int TextLength(const Box& box)
{
    return static_cast<int>(box.inlines->text.size());
}

QPointF ContentOrigin(const Box& box)
{
    return box.AbsolutePosition() + box.ContentRect().topLeft();
}

Box* FirstLineBoxIn(Box* box)
{
    if (!box)
        return nullptr;
    if (box->inlines)
        return box;
    for (auto& child : box->children)
        if (Box* found = FirstLineBoxIn(child.get()))
            return found;
    return nullptr;
}

Box* LastLineBoxIn(Box* box)
{
    if (!box)
        return nullptr;
    if (box->inlines)
        return box;
    for (auto it = box->children.rbegin(); it != box->children.rend(); ++it)
        if (Box* found = LastLineBoxIn(it->get()))
            return found;
    return nullptr;
}

Box* NextSibling(Box* box)
{
    if (!box->parent)
        return nullptr;
    auto& siblings = box->parent->children;
    auto it =
        std::find_if(siblings.begin(), siblings.end(), [&](auto& b) { return b.get() == box; });
    return it != siblings.end() && std::next(it) != siblings.end() ? std::next(it)->get() : nullptr;
}

Box* PreviousSibling(Box* box)
{
    if (!box->parent)
        return nullptr;
    auto& siblings = box->parent->children;
    auto it =
        std::find_if(siblings.begin(), siblings.end(), [&](auto& b) { return b.get() == box; });
    return it != siblings.end() && it != siblings.begin() ? std::prev(it)->get() : nullptr;
}

// The first node a box stands for.
const Node* FirstNodeOf(const Box& box)
{
    if (box.element)
        return box.element;
    return box.roots.empty() ? nullptr : box.roots.front();
}

CaretPlace PlaceInContainer(Box& box, const LeafPosition& leaf)
{
    if (box.kind == BoxKind::Rule) {
        Box* target = leaf.after ? NextLineBox(&box) : PreviousLineBox(&box);
        if (!target)
            target = leaf.after ? PreviousLineBox(&box) : NextLineBox(&box);
        if (!target)
            return {};
        bool atEnd = target == PreviousLineBox(&box);
        return {target, atEnd ? TextLength(*target) : 0};
    }
    Position at{leaf.node, leaf.after && leaf.node ? MaxOffset(*leaf.node) : leaf.offset};
    if (leaf.after && leaf.node && leaf.node->Parent())
        at = PositionAfter(*leaf.node);
    for (auto& child : box.children) {
        const Node* first = FirstNodeOf(*child);
        if (first && ComparePositions(PositionBefore(*first), at) >= 0) {
            if (Box* target = FirstLineBoxIn(child.get()))
                return {target, 0};
        }
    }
    if (Box* target = LastLineBoxIn(&box))
        return {target, TextLength(*target)};
    if (Box* target = NextLineBox(&box))
        return {target, 0};
    return {};
}

struct LineCandidate
{
    Box* box = nullptr;
    int line = -1;
    qreal score = std::numeric_limits<qreal>::max();
    QPointF origin;
};

using LineFilter = std::function<bool(qreal top, qreal bottom)>;

void SearchLines(Box& box, QPointF boxOrigin, const QPointF& point, const LineFilter& accept,
                 LineCandidate& best)
{
    qreal boxDistance = Distance(point.y(), boxOrigin.y(), boxOrigin.y() + box.height);
    if (boxDistance * kVerticalWeight > best.score)
        return;
    if (box.inlines) {
        QPointF origin = boxOrigin + box.ContentRect().topLeft();
        const InlineContent& content = *box.inlines;
        for (std::size_t i = 0; i < content.lines.size(); ++i) {
            qreal top = origin.y() + content.lines[i].top;
            qreal bottom = top + content.lines[i].height;
            if (accept && !accept(top, bottom))
                continue;
            // Right-aligned and centred lines start further in.
            int line = static_cast<int>(i);
            qreal left = origin.x() + CursorX(content, LineStartIndex(content, line));
            qreal right =
                std::max(left + 1, origin.x() + CursorX(content, LineEndIndex(content, line)));
            qreal score = Distance(point.y(), top, bottom) * kVerticalWeight +
                          Distance(point.x(), left, right);
            if (score < best.score)
                best = {&box, static_cast<int>(i), score, origin};
        }
    }
    for (auto& child : box.children) {
        QPointF childOrigin = boxOrigin + QPointF(child->x, child->y + box.contentShift);
        SearchLines(*child, childOrigin, point, accept, best);
    }
}

LineCandidate FindLine(Box& root, const QPointF& point, const LineFilter& accept = {})
{
    LineCandidate best;
    SearchLines(root, QPointF(root.x, root.y), point, accept, best);
    return best;
}

int IndexAtX(const LineCandidate& found, qreal x)
{
    const InlineContent& content = *found.box->inlines;
    int index = CursorAtX(content, found.line, x - found.origin.x());
    // A click beyond the end of a wrapped line stays on that line (before
    // the space it broke at), where Qt would stop a character short.
    int end = LineCaretEnd(content, found.line);
    if (x - found.origin.x() >= CursorXOnLine(content, found.line, end))
        return end;
    return std::min(index, end);
}

Element* LinkAt(const LineCandidate& found, const QPointF& point)
{
    const InlineContent& content = *found.box->inlines;
    if (content.links.empty())
        return nullptr;
    const LineBox& lineBox = content.lines[static_cast<std::size_t>(found.line)];
    qreal top = found.origin.y() + lineBox.top;
    if (point.y() < top || point.y() > top + lineBox.height)
        return nullptr;
    qreal x = point.x() - found.origin.x();
    if (x < CursorX(content, LineStartIndex(content, found.line)) ||
        x > CursorX(content, LineEndIndex(content, found.line)))
        return nullptr;
    int index = CursorAtX(content, found.line, x, QTextLine::CursorOnCharacter);
    for (const LinkSpan& span : content.links)
        if (index >= span.start && index < span.end)
            return span.link;
    return nullptr;
}

QRectF ImageRect(const Box& box, const InlineImage& image)
{
    const InlineContent& content = *box.inlines;
    const LineBox& lineBox = content.lines[static_cast<std::size_t>(LineOf(content, image.index))];
    QPointF origin = ContentOrigin(box);
    qreal x = origin.x() + CursorX(content, image.index);
    qreal baseline = origin.y() + lineBox.top + lineBox.baseline;
    return QRectF(x, baseline - image.size.height(), image.size.width(), image.size.height());
}

Element* ImageAt(const LineCandidate& found, const QPointF& point)
{
    for (const InlineImage& image : found.box->inlines->images)
        if (ImageRect(*found.box, image).contains(point))
            return image.element;
    return nullptr;
}

// A table whose border or spacing (not a cell) is under the point.
Element* TableFrameAt(Box& box, QPointF origin, const QPointF& point)
{
    for (auto& child : box.children) {
        QPointF childOrigin = origin + QPointF(child->x, child->y + box.contentShift);
        QRectF rect(childOrigin, QSizeF(child->width, child->height));
        if (!rect.contains(point))
            continue;
        if (child->kind != BoxKind::Table)
            return TableFrameAt(*child, childOrigin, point);
        for (auto& row : child->children) {
            QPointF rowOrigin = childOrigin + QPointF(row->x, row->y);
            for (auto& cell : row->children) {
                QPointF cellOrigin = rowOrigin + QPointF(cell->x, cell->y);
                if (QRectF(cellOrigin, QSizeF(cell->width, cell->height)).contains(point))
                    return TableFrameAt(*cell, cellOrigin, point);
            }
        }
        return child->element;
    }
    return nullptr;
}

bool IsWordCharacter(const InlineContent& content, int index)
{
    const InlinePiece* piece = PieceAt(content, index);
    if (!piece || piece->kind != PieceKind::Text)
        return false;
    QChar c = content.text[index];
    return c.isLetterOrNumber() || c == u'_';
}

// The innermost table cell whose box holds the point, or null.
Box* CellUnder(Box& box, QPointF boxOrigin, const QPointF& point)
{
    Box* found = nullptr;
    for (auto& child : box.children) {
        QPointF childOrigin = boxOrigin + QPointF(child->x, child->y + box.contentShift);
        if (!QRectF(childOrigin, QSizeF(child->width, child->height)).contains(point))
            continue;
        if (child->cell)
            found = child.get();
        if (Box* inner = CellUnder(*child, childOrigin, point))
            found = inner;
    }
    return found;
}

// The line a click lands on. A click in a cell stays in that cell, also
// above or below its text where a neighbour cell's line is nearer (a cell
// centres its text in a row that a taller neighbour stretched).
LineCandidate FindClickedLine(Box& root, const QPointF& point)
{
    if (Box* cell = CellUnder(root, QPointF(root.x, root.y), point)) {
        LineCandidate inCell;
        SearchLines(*cell, cell->AbsolutePosition(), point, {}, inCell);
        if (inCell.box)
            return inCell;
    }
    return FindLine(root, point);
}

} // namespace

Box* NextLineBox(Box* box)
{
    // Document order: into the children first, then along and up.
    Box* b = box;
    if (!b->children.empty()) {
        if (Box* found = FirstLineBoxIn(b->children.front().get()))
            return found;
    }
    while (b) {
        for (Box* sibling = NextSibling(b); sibling; sibling = NextSibling(sibling))
            if (Box* found = FirstLineBoxIn(sibling))
                return found;
        b = b->parent;
    }
    return nullptr;
}

Box* PreviousLineBox(Box* box)
{
    for (Box* b = box; b; b = b->parent) {
        for (Box* sibling = PreviousSibling(b); sibling; sibling = PreviousSibling(sibling))
            if (Box* found = LastLineBoxIn(sibling))
                return found;
        if (b->parent && b->parent->inlines)
            return b->parent;
    }
    return nullptr;
}

CaretPlace LocateCaret(const BoxRegistry& registry, Box* root, const Position& position)
{
    if (!root)
        return {};
    if (position.IsNull() || !root->element->Contains(position.node)) {
        Box* first = FirstLineBoxIn(root);
        return first ? CaretPlace{first, 0} : CaretPlace{};
    }
    LeafPosition leaf = ResolveLeaf(position);
    Box* box = nullptr;
    for (Node* n = leaf.node; n && !box; n = n->Parent()) {
        auto it = registry.find(n);
        if (it != registry.end())
            box = it->second;
    }
    if (!box)
        box = root;
    if (!box->inlines)
        return PlaceInContainer(*box, leaf);
    int index = IndexOfLeaf(*box->inlines, leaf);
    return {box, std::clamp(index, 0, TextLength(*box))};
}

Position PositionAt(const CaretPlace& place)
{
    return PositionInBox(*place.box, place.index);
}

QRectF CaretRectAt(const CaretPlace& place)
{
    const InlineContent& content = *place.box->inlines;
    if (content.lines.empty())
        return {};
    int line = CaretLineOf(content, place.index, place.affinity == CaretAffinity::PreviousLine);
    const LineBox& lineBox = content.lines[static_cast<std::size_t>(line)];
    QPointF origin = ContentOrigin(*place.box);
    qreal x = CursorXOnLine(content, line, place.index);
    return QRectF(origin.x() + x, origin.y() + lineBox.top, 0, lineBox.height);
}

CaretPlace HitPlace(Box& root, const QPointF& point)
{
    LineCandidate found = FindClickedLine(root, point);
    if (!found.box)
        return {};
    const InlineContent& content = *found.box->inlines;
    const LineBox& lineBox = content.lines[static_cast<std::size_t>(found.line)];
    bool lastLine =
        found.line + 1 == static_cast<int>(content.lines.size()) && !NextLineBox(found.box);
    // Below everything: the end of the body.
    if (lastLine && point.y() > found.origin.y() + lineBox.top + lineBox.height)
        return {found.box, TextLength(*found.box)};
    int index = IndexAtX(found, point.x());
    bool lineEnd =
        index == LineEndIndex(content, found.line) && index != LineStartIndex(content, found.line);
    return {found.box, index, lineEnd ? CaretAffinity::PreviousLine : CaretAffinity::NextLine};
}

HitResult HitTestBoxes(Box& root, const QPointF& point)
{
    HitResult result;
    LineCandidate found = FindClickedLine(root, point);
    if (!found.box)
        return result;
    CaretPlace place = HitPlace(root, point);
    result.position = PositionAt(place);
    result.affinity = place.affinity;
    result.link = LinkAt(found, point);
    result.control = ImageAt(found, point);
    if (!result.control)
        result.control = TableFrameAt(root, QPointF(root.x, root.y), point);
    return result;
}

CaretPlace NextCharacterPlace(const CaretPlace& place)
{
    if (place.index < TextLength(*place.box))
        return {place.box, NextCursor(*place.box->inlines, place.index)};
    Box* next = NextLineBox(place.box);
    return next ? CaretPlace{next, 0} : place;
}

CaretPlace PreviousCharacterPlace(const CaretPlace& place)
{
    if (place.index > 0)
        return {place.box, PreviousCursor(*place.box->inlines, place.index)};
    Box* previous = PreviousLineBox(place.box);
    return previous ? CaretPlace{previous, TextLength(*previous)} : place;
}

CaretPlace NextWordPlace(const CaretPlace& place)
{
    const InlineContent& content = *place.box->inlines;
    int length = TextLength(*place.box);
    if (place.index >= length)
        return NextCharacterPlace(place);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, content.text);
    finder.setPosition(place.index);
    for (;;) {
        int position = static_cast<int>(finder.toNextBoundary());
        if (position < 0 || position >= length)
            return {place.box, length};
        if (IsWordCharacter(content, position))
            return {place.box, position};
    }
}

CaretPlace PreviousWordPlace(const CaretPlace& place)
{
    if (place.index <= 0)
        return PreviousCharacterPlace(place);
    const InlineContent& content = *place.box->inlines;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, content.text);
    finder.setPosition(place.index);
    for (;;) {
        int position = static_cast<int>(finder.toPreviousBoundary());
        if (position <= 0)
            return {place.box, 0};
        if (IsWordCharacter(content, position))
            return {place.box, position};
    }
}

CaretPlace LineStartPlace(const CaretPlace& place)
{
    const InlineContent& content = *place.box->inlines;
    int line = CaretLineOf(content, place.index, place.affinity == CaretAffinity::PreviousLine);
    return {place.box, LineStartIndex(content, line)};
}

CaretPlace LineEndPlace(const CaretPlace& place)
{
    const InlineContent& content = *place.box->inlines;
    int line = CaretLineOf(content, place.index, place.affinity == CaretAffinity::PreviousLine);
    return {place.box, LineCaretEnd(content, line), CaretAffinity::PreviousLine};
}

CaretPlace VerticalPlace(Box& root, const CaretPlace& place, qreal x, VerticalMove move)
{
    QRectF caret = CaretRectAt(place);
    // At a wrap without a space the caret may show at the end of the upper
    // line (after End): the kept column tells which line the user sees.
    CaretPlace upper = place;
    upper.affinity = CaretAffinity::PreviousLine;
    QRectF upperCaret = CaretRectAt(upper);
    if (upperCaret != caret && std::abs(upperCaret.x() - x) < std::abs(caret.x() - x))
        caret = upperCaret;
    if (caret.isNull() && caret.height() == 0)
        return place;
    bool up = move == VerticalMove::Up;
    QPointF target(x, up ? caret.top() - 1 : caret.bottom() + 1);
    LineFilter accept = [&](qreal top, qreal bottom) {
        return up ? bottom <= caret.top() + 0.5 : top >= caret.bottom() - 0.5;
    };
    LineCandidate found = FindLine(root, target, accept);
    if (!found.box)
        return place;
    return {found.box, IndexAtX(found, x)};
}

std::pair<CaretPlace, CaretPlace> WordPlaces(const CaretPlace& place)
{
    const InlineContent& content = *place.box->inlines;
    int length = TextLength(*place.box);
    int index = place.index;
    // Prefer the word after the caret, else the one that ends at it.
    if (index >= length || !IsWordCharacter(content, index)) {
        if (index > 0 && IsWordCharacter(content, index - 1))
            --index;
        else
            return {place, place};
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, content.text);
    finder.setPosition(index + 1);
    int start = static_cast<int>(finder.toPreviousBoundary());
    finder.setPosition(index);
    int end = static_cast<int>(finder.toNextBoundary());
    if (start < 0)
        start = 0;
    if (end < 0)
        end = length;
    return {CaretPlace{place.box, start}, CaretPlace{place.box, end}};
}

QRectF ElementRectOf(const BoxRegistry& registry, Box* root, const Element& element)
{
    if (!root)
        return {};
    for (const Node* n = &element; n; n = n->Parent()) {
        auto it = registry.find(n);
        if (it == registry.end())
            continue;
        Box& box = *it->second;
        if (box.element == &element)
            return QRectF(box.AbsolutePosition(), QSizeF(box.width, box.height));
        if (!box.inlines)
            return {};
        for (const InlineImage& image : box.inlines->images)
            if (image.element == &element)
                return ImageRect(box, image);
        return {};
    }
    return {};
}

} // namespace vellum::html
