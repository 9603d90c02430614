// Segment bookkeeping for the paragraph's line queries. Segments are sorted
// by start and separated by one separator character each, so a cursor
// position belongs to exactly one of them.
#include "htmlview/TextLines.h"

#include <QGlyphRun>
#include <QPainter>

#include <algorithm>
#include <limits>

namespace vellum::html {
namespace {

std::size_t SegmentIndexOf(const InlineContent& content, int index)
{
    const auto& segments = content.segments;
    auto it = std::upper_bound(segments.begin(), segments.end(), index,
                               [](int i, const auto& segment) { return i < segment->start; });
    return it == segments.begin() ? 0 : static_cast<std::size_t>(it - segments.begin()) - 1;
}

// Qt keeps a caret inside a wrapping line's width, but a word that cannot
// break sticks out past it (a long address), and the caret must follow the
// glyphs there or End and clicks on that part could never reach them. So
// where the line overflows, x comes from where the character is drawn.
qreal LineCursorToX(const QTextLine& line, int local)
{
    qreal x = line.cursorToX(local);
    qreal right = line.x() + line.width();
    if (line.naturalTextWidth() <= line.width() || x < right - 0.5)
        return x;
    if (local >= line.textStart() + line.textLength())
        return line.x() + line.naturalTextWidth();
    qreal left = std::numeric_limits<qreal>::max();
    for (const QGlyphRun& run : line.glyphRuns(local, 1))
        for (const QPointF& at : run.positions())
            left = std::min(left, at.x());
    return left == std::numeric_limits<qreal>::max() ? x : left;
}

} // namespace

const TextSegment& SegmentOf(const InlineContent& content, int index)
{
    return *content.segments[SegmentIndexOf(content, index)];
}

QTextLine LineAt(const InlineContent& content, int line)
{
    const LineBox& box = content.lines[static_cast<std::size_t>(line)];
    return content.segments[static_cast<std::size_t>(box.segment)]->layout.lineAt(box.line);
}

int LineOf(const InlineContent& content, int index)
{
    const TextSegment& segment = SegmentOf(content, index);
    QTextLine line = segment.layout.lineForTextPosition(
        std::clamp(index - segment.start, 0, segment.end - segment.start));
    int number = line.isValid() ? line.lineNumber() : segment.layout.lineCount() - 1;
    return segment.firstLine + std::max(number, 0);
}

int LineStartIndex(const InlineContent& content, int line)
{
    const LineBox& box = content.lines[static_cast<std::size_t>(line)];
    const TextSegment& segment = *content.segments[static_cast<std::size_t>(box.segment)];
    return segment.start + segment.layout.lineAt(box.line).textStart();
}

int LineEndIndex(const InlineContent& content, int line)
{
    const LineBox& box = content.lines[static_cast<std::size_t>(line)];
    const TextSegment& segment = *content.segments[static_cast<std::size_t>(box.segment)];
    QTextLine textLine = segment.layout.lineAt(box.line);
    return segment.start + textLine.textStart() + textLine.textLength();
}

int LineCaretEnd(const InlineContent& content, int line)
{
    int start = LineStartIndex(content, line);
    int end = LineEndIndex(content, line);
    const LineBox& box = content.lines[static_cast<std::size_t>(line)];
    const TextSegment& segment = *content.segments[static_cast<std::size_t>(box.segment)];
    bool wrapped = box.line + 1 < segment.layout.lineCount();
    if (wrapped && end > start && content.text[end - 1] == QChar(u' '))
        --end;
    return end;
}

qreal CursorX(const InlineContent& content, int index)
{
    const TextSegment& segment = SegmentOf(content, index);
    int local = std::clamp(index - segment.start, 0, segment.end - segment.start);
    QTextLine line = segment.layout.lineForTextPosition(local);
    if (!line.isValid())
        line = segment.layout.lineAt(segment.layout.lineCount() - 1);
    return line.isValid() ? LineCursorToX(line, local) : 0;
}

int CaretLineOf(const InlineContent& content, int index, bool previousLine)
{
    int line = LineOf(content, index);
    if (!previousLine || line == 0 || LineStartIndex(content, line) != index)
        return line;
    const LineBox& box = content.lines[static_cast<std::size_t>(line)];
    // Only a wrap inside one segment: a forced break is a real line end.
    return box.line > 0 ? line - 1 : line;
}

qreal CursorXOnLine(const InlineContent& content, int line, int index)
{
    const LineBox& box = content.lines[static_cast<std::size_t>(line)];
    const TextSegment& segment = *content.segments[static_cast<std::size_t>(box.segment)];
    return LineCursorToX(segment.layout.lineAt(box.line), index - segment.start);
}

int CursorAtX(const InlineContent& content, int line, qreal x, QTextLine::CursorPosition mode)
{
    const LineBox& box = content.lines[static_cast<std::size_t>(line)];
    const TextSegment& segment = *content.segments[static_cast<std::size_t>(box.segment)];
    return segment.start + segment.layout.lineAt(box.line).xToCursor(x, mode);
}

int NextCursor(const InlineContent& content, int index)
{
    std::size_t n = SegmentIndexOf(content, index);
    const TextSegment& segment = *content.segments[n];
    if (index < segment.end)
        return segment.start + segment.layout.nextCursorPosition(index - segment.start);
    return n + 1 < content.segments.size() ? content.segments[n + 1]->start : index;
}

int PreviousCursor(const InlineContent& content, int index)
{
    std::size_t n = SegmentIndexOf(content, index);
    const TextSegment& segment = *content.segments[n];
    if (index > segment.start)
        return segment.start + segment.layout.previousCursorPosition(index - segment.start);
    return n > 0 ? content.segments[n - 1]->end : index;
}

void DrawLines(QPainter& painter, const InlineContent& content, const QPointF& origin,
               const QList<QTextLayout::FormatRange>& selections, const QRectF& clip)
{
    // Segments are in line order: skip those ending above the clip.
    auto bottomOf = [&](const auto& segment) {
        int last = segment->firstLine + std::max(segment->layout.lineCount(), 1) - 1;
        const LineBox& line = content.lines[static_cast<std::size_t>(last)];
        return origin.y() + line.top + line.height;
    };
    auto first =
        std::partition_point(content.segments.begin(), content.segments.end(),
                             [&](const auto& segment) { return bottomOf(segment) < clip.top(); });
    for (auto it = first; it != content.segments.end(); ++it) {
        const TextSegment& segment = **it;
        qreal top = origin.y() + content.lines[static_cast<std::size_t>(segment.firstLine)].top;
        if (top > clip.bottom())
            break;
        QList<QTextLayout::FormatRange> local;
        for (const QTextLayout::FormatRange& range : selections) {
            int start = std::max(range.start, segment.start);
            int end = std::min(range.start + range.length, segment.end);
            if (end <= start)
                continue;
            QTextLayout::FormatRange part = range;
            part.start = start - segment.start;
            part.length = end - start;
            local.push_back(part);
        }
        segment.layout.draw(&painter, origin, local, clip);
    }
}

} // namespace vellum::html
