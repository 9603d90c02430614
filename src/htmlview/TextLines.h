// Queries over the lines of a paragraph whose text is shaped in segments:
// cursor positions, line extents and drawing, in the paragraph's indexes
// and its content box's coordinates, so callers never see the segments.
#pragma once

#include "htmlview/LayoutBox.h"

#include <QTextLine>

class QPainter;

namespace vellum::html {

// The segment a cursor position belongs to (the one it ends or lies in).
const TextSegment& SegmentOf(const InlineContent& content, int index);

QTextLine LineAt(const InlineContent& content, int line);
// The number of the line a cursor position is on.
int LineOf(const InlineContent& content, int index);
int LineStartIndex(const InlineContent& content, int line);
int LineEndIndex(const InlineContent& content, int line);
// Where the caret goes for End: before the space a wrapped line broke at.
int LineCaretEnd(const InlineContent& content, int line);

// The x of a cursor position from the content box's left.
qreal CursorX(const InlineContent& content, int index);
// The line a cursor position shows on: where a line wrapped without a
// space the position also ends the line above, which `previousLine` picks.
int CaretLineOf(const InlineContent& content, int index, bool previousLine);
// The x of a cursor position on a given line (its start or end included).
qreal CursorXOnLine(const InlineContent& content, int line, int index);

// The cursor position nearest to `x` on a line.
int CursorAtX(const InlineContent& content, int line, qreal x,
              QTextLine::CursorPosition mode = QTextLine::CursorBetweenCharacters);

// Grapheme-wise movement; the position itself at either end.
int NextCursor(const InlineContent& content, int index);
int PreviousCursor(const InlineContent& content, int index);

// Draws the lines meeting `clip` at `origin`, with `selections` (in
// paragraph indexes) highlighted.
void DrawLines(QPainter& painter, const InlineContent& content, const QPointF& origin,
               const QList<QTextLayout::FormatRange>& selections, const QRectF& clip);

} // namespace vellum::html
