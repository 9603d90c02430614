// Drawing the text of one grid cell.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRect>
#include <QString>

// Draws `text` on one line inside `area` with the painter's pen, aligned and
// elided as the cell format (GridFormat flags) asks.
void DrawCellText(QPainter& painter, const QRect& area, const QString& text, const QFont& font,
                  const QFontMetrics& metrics, unsigned format);
