// Where a movement key takes the moving end of the selection.
//
// The layout knows the caret positions; this file only picks the right
// question for each key and supplies the column kept across vertical moves
// and the height of a page.
#pragma once

#include "platform/html/Position.h"
#include "platform/htmlview/ViewKeys.h"

#include <QtGlobal>

namespace vellum::html {

class DocumentLayout;

struct MotionMetrics
{
    // The x to keep while moving up and down (the caret's x when the run of
    // vertical moves began).
    qreal goalX = 0;
    // What Page Up and Page Down travel: the visible height.
    qreal pageHeight = 0;
};

// The position `action` moves `from` to; `from` itself when there is nowhere
// to go or the action is not a movement.
Position MovedPosition(const DocumentLayout& layout, ViewAction action, const Position& from,
                       const MotionMetrics& metrics);

// True for the moves that keep the goal column (up, down and the page keys).
bool IsVerticalMovement(ViewAction action);

} // namespace vellum::html
