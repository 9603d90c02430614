// Cell text is shaped once: a grid paints every visible cell on each paint,
// and QPainter::drawText with a rectangle shapes and lays out the text again
// after an elision check has shaped it already. The line is laid out at its
// natural width; only a line that overflows is elided (through Qt's own
// elision and drawing) or clipped.
#include "grid/GridCellText.h"

#include "grid/GridCell.h"

#include <QTextLayout>

#include <algorithm>

namespace {

int AlignmentOf(unsigned format)
{
    int alignment = Qt::TextSingleLine;
    if (format & GridFormatCentre)
        alignment |= Qt::AlignHCenter;
    else if (format & GridFormatRight)
        alignment |= Qt::AlignRight;
    else
        alignment |= Qt::AlignLeft;
    alignment |= (format & GridFormatVCentre) ? Qt::AlignVCenter : Qt::AlignTop;
    return alignment;
}

// Text with line breaks, tabs or other control characters goes through
// QPainter's own single-line rules.
bool HasControlCharacters(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20; });
}

void DrawThroughPainter(QPainter& painter, const QRect& area, const QString& text,
                        const QFont& font, const QFontMetrics& metrics, unsigned format)
{
    QString label = text;
    if (format & GridFormatEndEllipsis)
        label = metrics.elidedText(text, Qt::ElideRight, area.width());
    painter.setFont(font);
    painter.drawText(area, AlignmentOf(format), label);
}

// Where the line goes, placed as QPainter::drawText places a single line:
// centred on its exact height (QTextLine::height rounds it up) and aligned
// by its advance.
QPointF LineOrigin(const QRect& area, const QTextLine& line, unsigned format)
{
    const qreal advance = line.horizontalAdvance();
    qreal x = area.left();
    if (format & GridFormatCentre)
        x += (area.width() - advance) / 2;
    else if (format & GridFormatRight)
        x += area.width() - advance;
    qreal y = area.top();
    if (format & GridFormatVCentre)
        y += (area.height() - line.ascent() - line.descent()) / 2;
    return {x, y};
}

} // namespace

void DrawCellText(QPainter& painter, const QRect& area, const QString& text, const QFont& font,
                  const QFontMetrics& metrics, unsigned format)
{
    if (text.isEmpty())
        return;
    if (HasControlCharacters(text)) {
        DrawThroughPainter(painter, area, text, font, metrics, format);
        return;
    }
    QTextLayout layout(text, font, painter.device());
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout(); // lays the one line out at its natural width
    const qreal width = line.naturalTextWidth();
    if (width > area.width() && (format & GridFormatEndEllipsis)) {
        DrawThroughPainter(painter, area, text, font, metrics, format);
        return;
    }
    const QPointF origin = LineOrigin(area, line, format);
    if (width <= area.width() && line.height() <= area.height()) {
        layout.draw(&painter, origin);
        return;
    }
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);
    layout.draw(&painter, origin);
    painter.restore();
}
