// Where a movement key takes the moving end of the selection.
//
// The layout knows the caret positions; this file picks the right question
// for each key, supplies the column kept across vertical moves and the
// height of a page, and keeps track of the line a caret shows on where a
// line wraps without a space (Chinese text): the end of the upper line and
// the start of the lower one are then the same position, told apart only by
// the caret's affinity.
#pragma once

#include "html/Position.h"
#include "htmlview/DocumentLayout.h"
#include "htmlview/ViewKeys.h"

#include <QtGlobal>

namespace vellum::html {

struct MotionMetrics
{
    // The x to keep while moving up and down (the caret's x when the run of
    // vertical moves began).
    qreal goalX = 0;
    // What Page Up and Page Down travel: the visible height.
    qreal pageHeight = 0;
};

// A caret position and the line it shows on.
struct CaretLocation
{
    Position position;
    CaretAffinity affinity = CaretAffinity::NextLine;
};

// The place `action` moves `from` to; `from` itself when there is nowhere
// to go or the action is not a movement.
CaretLocation MovedPosition(const DocumentLayout& layout, ViewAction action,
                            const CaretLocation& from, const MotionMetrics& metrics);

// True for the moves that keep the goal column (up, down and the page keys).
bool IsVerticalMovement(ViewAction action);

} // namespace vellum::html
