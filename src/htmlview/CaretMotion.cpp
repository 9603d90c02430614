// Document start and end are asked of the layout as the caret positions
// nearest to the body's first and last boundary points, which skips leading
// comments, collapsed white space and the like the same way a click would.
//
// The layout's line questions (LineStart, LineAbove...) read a position at a
// wrap as the start of the lower line. A caret left on the upper line (after
// End, or a click beyond the line's end) therefore asks by point instead:
// the same questions a click on that line would answer.
#include "htmlview/CaretMotion.h"

#include "html/Document.h"

#include <cmath>

namespace vellum::html {

namespace {

Position BodyEdge(const DocumentLayout& layout, const Position& from, bool end)
{
    Element* body = layout.GetDocument().Body();
    if (!body)
        return from;
    Position edge = layout.CaretPosition({body, end ? body->ChildCount() : 0});
    return edge.IsNull() ? from : edge;
}

// True when the caret shows at the end of an upper line where the same
// position also starts the line below.
bool ShownOnUpperLine(const DocumentLayout& layout, const CaretLocation& place)
{
    if (place.affinity != CaretAffinity::PreviousLine)
        return false;
    return layout.CaretRect(place.position, CaretAffinity::PreviousLine) !=
           layout.CaretRect(place.position, CaretAffinity::NextLine);
}

CaretLocation HitAt(const DocumentLayout& layout, qreal x, qreal y)
{
    HitResult hit = layout.HitTest(QPointF(x, y));
    return {hit.position, hit.affinity};
}

// After a vertical move onto a wrap position, the caret belongs on the line
// whose caret x is nearer the goal column.
CaretLocation NearerLine(const DocumentLayout& layout, const Position& position, qreal goalX)
{
    QRectF upper = layout.CaretRect(position, CaretAffinity::PreviousLine);
    QRectF lower = layout.CaretRect(position, CaretAffinity::NextLine);
    if (upper != lower && std::abs(upper.left() - goalX) < std::abs(lower.left() - goalX))
        return {position, CaretAffinity::PreviousLine};
    return {position, CaretAffinity::NextLine};
}

CaretLocation VerticalMove(const DocumentLayout& layout, ViewAction action,
                           const CaretLocation& from, const MotionMetrics& metrics)
{
    if (ShownOnUpperLine(layout, from)) {
        QRectF line = layout.CaretRect(from.position, CaretAffinity::PreviousLine);
        switch (action) {
        case ViewAction::LineUp:
            return HitAt(layout, metrics.goalX, line.top() - 1);
        case ViewAction::LineDown:
            return HitAt(layout, metrics.goalX, line.bottom() + 1);
        case ViewAction::PageUp:
            return HitAt(layout, metrics.goalX, line.center().y() - metrics.pageHeight);
        default:
            return HitAt(layout, metrics.goalX, line.center().y() + metrics.pageHeight);
        }
    }
    Position to = from.position;
    switch (action) {
    case ViewAction::LineUp:
        to = layout.LineAbove(from.position, metrics.goalX);
        break;
    case ViewAction::LineDown:
        to = layout.LineBelow(from.position, metrics.goalX);
        break;
    case ViewAction::PageUp:
        to = layout.MoveByPixels(from.position, metrics.goalX, -metrics.pageHeight);
        break;
    default:
        to = layout.MoveByPixels(from.position, metrics.goalX, metrics.pageHeight);
        break;
    }
    return NearerLine(layout, to, metrics.goalX);
}

} // namespace

CaretLocation MovedPosition(const DocumentLayout& layout, ViewAction action,
                            const CaretLocation& from, const MotionMetrics& metrics)
{
    if (IsVerticalMovement(action))
        return VerticalMove(layout, action, from, metrics);
    switch (action) {
    case ViewAction::CharacterLeft:
        return {layout.PreviousCharacter(from.position)};
    case ViewAction::CharacterRight:
        return {layout.NextCharacter(from.position)};
    case ViewAction::WordLeft:
        return {layout.PreviousWord(from.position)};
    case ViewAction::WordRight:
        return {layout.NextWord(from.position)};
    case ViewAction::LineStart:
        if (ShownOnUpperLine(layout, from)) {
            QRectF line = layout.CaretRect(from.position, CaretAffinity::PreviousLine);
            return {HitAt(layout, 0, line.center().y()).position};
        }
        return {layout.LineStart(from.position)};
    case ViewAction::LineEnd:
        // End keeps the caret on the line it ends, even where that end is
        // also the next line's start.
        if (ShownOnUpperLine(layout, from))
            return from;
        return {layout.LineEnd(from.position), CaretAffinity::PreviousLine};
    case ViewAction::DocumentStart:
        return {BodyEdge(layout, from.position, false)};
    case ViewAction::DocumentEnd:
        return {BodyEdge(layout, from.position, true)};
    default:
        return from;
    }
}

bool IsVerticalMovement(ViewAction action)
{
    return action == ViewAction::LineUp || action == ViewAction::LineDown ||
           action == ViewAction::PageUp || action == ViewAction::PageDown;
}

} // namespace vellum::html
