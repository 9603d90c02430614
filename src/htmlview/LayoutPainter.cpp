// Painting. Children of a flow are ordered by y, so the ones meeting the
// clip are found by binary search: painting a viewport of a long body costs
// the viewport, not the body.
#include "htmlview/LayoutPainter.h"

#include "html/Node.h"
#include "htmlview/CaretNavigation.h"
#include "htmlview/ImageCache.h"
#include "htmlview/InlineLayout.h"
#include "htmlview/TextLines.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace vellum::html {
namespace {

struct PaintContext
{
    QPainter& painter;
    QRectF clip;
    Range range; // the text selection, null when none is shown
    QColor highlight;
    QColor highlightedText;
};

// A frame whose top and left edges take one colour and whose bottom and
// right edges take another: the raised and sunken looks browsers give rules,
// tables and cells.
void PaintFrame(QPainter& painter, const QRectF& rect, const Edges& border, const QColor& topLeft,
                const QColor& bottomRight)
{
    if (border.top <= 0 && border.left <= 0 && border.right <= 0 && border.bottom <= 0)
        return;
    painter.fillRect(QRectF(rect.left(), rect.top(), rect.width(), border.top), topLeft);
    painter.fillRect(QRectF(rect.left(), rect.top(), border.left, rect.height()), topLeft);
    painter.fillRect(
        QRectF(rect.left(), rect.bottom() - border.bottom, rect.width(), border.bottom),
        bottomRight);
    painter.fillRect(QRectF(rect.right() - border.right, rect.top(), border.right, rect.height()),
                     bottomRight);
}

// The selected part of a box's text, as layout indexes; empty when none.
// An end one past the text means the selection goes on after the block.
std::pair<int, int> SelectedIndexes(const Box& box, const Range& range)
{
    if (range.IsNull() || range.IsCollapsed())
        return {0, 0};
    const InlineContent& content = *box.inlines;
    int length = static_cast<int>(content.text.size());
    Position first = PositionInBox(box, 0);
    Position last = PositionInBox(box, length);
    if (ComparePositions(range.end, first) <= 0 || ComparePositions(range.start, last) >= 0)
        return {0, 0};
    int start = ComparePositions(range.start, first) <= 0
                    ? 0
                    : IndexOfLeaf(content, ResolveLeaf(range.start));
    int end = ComparePositions(range.end, last) > 0 ? length + 1
              : ComparePositions(range.end, last) == 0
                  ? length
                  : IndexOfLeaf(content, ResolveLeaf(range.end));
    if (start < 0)
        start = 0;
    if (end < 0)
        end = length;
    return {start, std::max(start, end)};
}

void PaintImage(QPainter& painter, QRectF rect, const InlineImage& image)
{
    if (image.border > 0) {
        qreal b = image.border;
        painter.fillRect(QRectF(rect.left(), rect.top(), rect.width(), b), image.borderColor);
        painter.fillRect(QRectF(rect.left(), rect.bottom() - b, rect.width(), b),
                         image.borderColor);
        painter.fillRect(QRectF(rect.left(), rect.top(), b, rect.height()), image.borderColor);
        painter.fillRect(QRectF(rect.right() - b, rect.top(), b, rect.height()), image.borderColor);
        rect.adjust(b, b, -b, -b);
    }
    if (image.picture && !image.picture->IsNull() && !image.picture->Pixels().isNull()) {
        painter.drawImage(rect, image.picture->Pixels());
        return;
    }
    // A broken image: a small framed placeholder.
    painter.save();
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.setBrush(QColor(240, 240, 240));
    painter.drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
    QRectF mark(rect.left() + 4, rect.top() + 4, std::min<qreal>(10, rect.width() - 8),
                std::min<qreal>(10, rect.height() - 8));
    if (mark.width() > 2 && mark.height() > 2) {
        painter.setPen(QPen(QColor(200, 0, 0), 1.5));
        painter.drawLine(mark.topLeft(), mark.bottomRight());
        painter.drawLine(mark.topRight(), mark.bottomLeft());
    }
    painter.restore();
}

// A selected line break (a BR, the end of a block the selection goes on
// past) shows as a space-wide highlight after the line's text, so selected
// empty lines are visible too.
void PaintSelectedLineEnds(PaintContext& context, const Box& box, QPointF origin, int start,
                           int end)
{
    const InlineContent& content = *box.inlines;
    if (end <= start)
        return;
    const auto& segments = content.segments;
    auto it = std::partition_point(segments.begin(), segments.end(),
                                   [&](const auto& segment) { return segment->end < start; });
    qreal width = QFontMetricsF(FontFor(box.style)).horizontalAdvance(QChar(u' '));
    for (; it != segments.end() && (*it)->end < end; ++it) {
        const TextSegment& segment = **it;
        const LineBox& line = content.lines[static_cast<std::size_t>(LineOf(content, segment.end))];
        QRectF mark(origin.x() + CursorX(content, segment.end), origin.y() + line.top, width,
                    line.height);
        if (mark.intersects(context.clip))
            context.painter.fillRect(mark, context.highlight);
    }
}

void PaintLines(PaintContext& context, const Box& box, QPointF boxOrigin)
{
    const InlineContent& content = *box.inlines;
    QPointF origin = boxOrigin + box.ContentRect().topLeft();
    QList<QTextLayout::FormatRange> selections;
    auto [start, end] = SelectedIndexes(box, context.range);
    int length = static_cast<int>(content.text.size());
    if (std::min(end, length) > start) {
        QTextLayout::FormatRange range;
        range.start = start;
        range.length = std::min(end, length) - start;
        range.format.setBackground(context.highlight);
        range.format.setForeground(context.highlightedText);
        selections.push_back(range);
    }
    // Runs in the block's own style carry no colour of their own.
    context.painter.setPen(box.style.hidden ? QColor(Qt::transparent) : box.style.color);
    DrawLines(context.painter, content, origin, selections, context.clip);
    PaintSelectedLineEnds(context, box, origin, start, end);
    for (const InlineImage& image : content.images) {
        const LineBox& lineBox =
            content.lines[static_cast<std::size_t>(LineOf(content, image.index))];
        qreal x = origin.x() + CursorX(content, image.index);
        qreal bottom = origin.y() + lineBox.top + lineBox.baseline;
        QRectF rect(x, bottom - image.size.height(), image.size.width(), image.size.height());
        if (!rect.intersects(context.clip))
            continue;
        PaintImage(context.painter, rect, image);
        if (image.index >= start && image.index < end) {
            QColor veil = context.highlight;
            veil.setAlpha(110);
            context.painter.fillRect(rect, veil);
        }
    }
}

void PaintMarker(QPainter& painter, const Box& box, QPointF origin)
{
    const Box* first = &box;
    QPointF firstOrigin = origin;
    while (!first->inlines && !first->children.empty()) {
        const Box* child = first->children.front().get();
        firstOrigin += QPointF(child->x, child->y + first->contentShift);
        first = child;
    }
    QFont font = FontFor(box.style);
    QFontMetricsF metrics(font);
    qreal baseline = firstOrigin.y() + first->ContentRect().top() + metrics.ascent();
    if (first->inlines && !first->inlines->lines.empty())
        baseline =
            firstOrigin.y() + first->ContentRect().top() + first->inlines->lines.front().baseline;
    qreal right = origin.x() + box.ContentRect().left() - 6;
    painter.setFont(font);
    painter.setPen(box.style.color);
    painter.drawText(QPointF(right - metrics.horizontalAdvance(box.marker), baseline), box.marker);
}

// One side of a CSS border, `band` being the whole strip it covers: dots
// and dashes as square-ended strokes along the strip's middle, double as
// two lines a third of the width each (too thin for that, it is solid).
void PaintBorderSide(QPainter& painter, const QRectF& band, bool across, qreal width,
                     BorderLine line, const QColor& color)
{
    if (line == BorderLine::Double && width >= 3) {
        qreal third = std::round(width / 3);
        if (across) {
            painter.fillRect(QRectF(band.left(), band.top(), band.width(), third), color);
            painter.fillRect(QRectF(band.left(), band.bottom() - third, band.width(), third),
                             color);
        } else {
            painter.fillRect(QRectF(band.left(), band.top(), third, band.height()), color);
            painter.fillRect(QRectF(band.right() - third, band.top(), third, band.height()), color);
        }
        return;
    }
    if (line != BorderLine::Dotted && line != BorderLine::Dashed) {
        painter.fillRect(band, color);
        return;
    }
    // Dots and dashes as Chromium spaces them: gaps as long as the dots,
    // dashes three widths long (Qt's own patterns leave longer gaps).
    QPen pen(color, width, Qt::CustomDashLine, Qt::FlatCap);
    pen.setDashPattern(line == BorderLine::Dotted ? QList<qreal>{1, 1} : QList<qreal>{3, 3});
    painter.save();
    painter.setPen(pen);
    QPointF middle = band.center();
    if (across)
        painter.drawLine(QPointF(band.left(), middle.y()), QPointF(band.right(), middle.y()));
    else
        painter.drawLine(QPointF(middle.x(), band.top()), QPointF(middle.x(), band.bottom()));
    painter.restore();
}

// Borders from CSS: each side in its own colour and line.
void PaintFlatBorders(QPainter& painter, const QRectF& rect, const Box& box)
{
    const Edges& b = box.border;
    const auto& colors = box.sideColors;
    const auto& lines = box.sideLines;
    if (b.top > 0)
        PaintBorderSide(painter, QRectF(rect.left(), rect.top(), rect.width(), b.top), true, b.top,
                        lines[0], colors[0]);
    if (b.right > 0)
        PaintBorderSide(painter, QRectF(rect.right() - b.right, rect.top(), b.right, rect.height()),
                        false, b.right, lines[1], colors[1]);
    if (b.bottom > 0)
        PaintBorderSide(painter,
                        QRectF(rect.left(), rect.bottom() - b.bottom, rect.width(), b.bottom), true,
                        b.bottom, lines[2], colors[2]);
    if (b.left > 0)
        PaintBorderSide(painter, QRectF(rect.left(), rect.top(), b.left, rect.height()), false,
                        b.left, lines[3], colors[3]);
}

void PaintBox(PaintContext& context, const Box& box, QPointF origin)
{
    QRectF rect(origin, QSizeF(box.width, box.height));
    if (box.style.background.isValid() && !box.style.hidden)
        context.painter.fillRect(rect, box.style.background);
    if (box.flatBorders && !box.style.hidden) {
        PaintFlatBorders(context.painter, rect, box);
        if (box.kind == BoxKind::Rule)
            return;
    }
    switch (box.flatBorders ? BoxKind::Flow : box.kind) {
    case BoxKind::Rule:
        if (box.insetBorder)
            PaintFrame(context.painter, rect, box.border, box.borderColor.darker(130), Qt::white);
        else
            context.painter.fillRect(rect, box.borderColor);
        return;
    case BoxKind::Table:
        // An outset frame, as browsers draw a TABLE's border attribute.
        PaintFrame(context.painter, rect, box.border, box.borderColor.lighter(160),
                   box.borderColor.darker(110));
        break;
    case BoxKind::Cell:
        // Cells have the opposite, inset frame.
        PaintFrame(context.painter, rect, box.border, box.borderColor.darker(110),
                   box.borderColor.lighter(160));
        break;
    default:
        break;
    }
    if (!box.marker.isEmpty())
        PaintMarker(context.painter, box, origin);
    if (box.inlines)
        PaintLines(context, box, origin);
    auto& children = box.children;
    auto begin = children.begin();
    bool stacked =
        box.kind == BoxKind::Flow || box.kind == BoxKind::Cell || box.kind == BoxKind::Table;
    if (stacked) {
        qreal top = context.clip.top() - origin.y() - box.contentShift;
        begin = std::partition_point(children.begin(), children.end(), [&](const auto& child) {
            return child->y + child->height < top;
        });
    }
    for (auto it = begin; it != children.end(); ++it) {
        const Box& child = **it;
        QPointF childOrigin = origin + QPointF(child.x, child.y + box.contentShift);
        if (stacked && childOrigin.y() > context.clip.bottom())
            break;
        QRectF childRect(childOrigin, QSizeF(child.width, child.height));
        // Text may overflow a narrow box sideways; only the vertical test
        // is safe to skip on.
        if (childRect.bottom() < context.clip.top() || childRect.top() > context.clip.bottom())
            continue;
        PaintBox(context, child, childOrigin);
    }
}

void PaintControlFrame(QPainter& painter, const QRectF& rect)
{
    painter.save();
    painter.setPen(QPen(QColor(0, 0, 0), 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(-0.5, -0.5, 0.5, 0.5));
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    constexpr qreal kHandle = 6;
    const qreal xs[] = {rect.left(), rect.center().x(), rect.right()};
    const qreal ys[] = {rect.top(), rect.center().y(), rect.bottom()};
    for (qreal hx : xs) {
        for (qreal hy : ys) {
            if (hx == rect.center().x() && hy == rect.center().y())
                continue;
            painter.drawRect(QRectF(hx - kHandle / 2, hy - kHandle / 2, kHandle, kHandle));
        }
    }
    painter.restore();
}

} // namespace

void PaintBoxes(QPainter& painter, Box& root, const QRectF& clip, const Selection& selection,
                const PaintOptions& options, const BoxRegistry& registry)
{
    QPalette palette = QGuiApplication::palette();
    PaintContext context{painter,
                         clip,
                         {},
                         palette.color(QPalette::Highlight),
                         palette.color(QPalette::HighlightedText)};
    if (options.showSelection && selection.IsTextRange())
        context.range = selection.GetRange();
    painter.save();
    // The body's colour is the page's: it fills the whole clip, margins too.
    if (root.style.background.isValid())
        painter.fillRect(clip, root.style.background);
    PaintBox(context, root, QPointF(root.x, root.y));
    if (options.showSelection && selection.IsControl()) {
        for (Element* element : selection.ControlElements()) {
            QRectF rect = ElementRectOf(registry, &root, *element);
            if (!rect.isNull() && rect.intersects(clip.adjusted(-8, -8, 8, 8)))
                PaintControlFrame(painter, rect);
        }
    }
    painter.restore();
}

} // namespace vellum::html
