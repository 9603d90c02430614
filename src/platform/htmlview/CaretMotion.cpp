// Document start and end are asked of the layout as the caret positions
// nearest to the body's first and last boundary points, which skips leading
// comments, collapsed white space and the like the same way a click would.
#include "platform/htmlview/CaretMotion.h"

#include "platform/html/Document.h"
#include "platform/htmlview/DocumentLayout.h"

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

} // namespace

Position MovedPosition(const DocumentLayout& layout, ViewAction action, const Position& from,
                       const MotionMetrics& metrics)
{
    switch (action) {
    case ViewAction::CharacterLeft:
        return layout.PreviousCharacter(from);
    case ViewAction::CharacterRight:
        return layout.NextCharacter(from);
    case ViewAction::WordLeft:
        return layout.PreviousWord(from);
    case ViewAction::WordRight:
        return layout.NextWord(from);
    case ViewAction::LineUp:
        return layout.LineAbove(from, metrics.goalX);
    case ViewAction::LineDown:
        return layout.LineBelow(from, metrics.goalX);
    case ViewAction::LineStart:
        return layout.LineStart(from);
    case ViewAction::LineEnd:
        return layout.LineEnd(from);
    case ViewAction::PageUp:
        return layout.MoveByPixels(from, metrics.goalX, -metrics.pageHeight);
    case ViewAction::PageDown:
        return layout.MoveByPixels(from, metrics.goalX, metrics.pageHeight);
    case ViewAction::DocumentStart:
        return BodyEdge(layout, from, false);
    case ViewAction::DocumentEnd:
        return BodyEdge(layout, from, true);
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
