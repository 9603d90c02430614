// The grid's cell tip. It never takes the focus, so the grid keeps the
// keyboard while the tip is up; key presses reach it only if a window
// manager gives it the focus anyway, and then they go straight on.
#include "grid/GridTitleTip.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

GridTitleTip::GridTitleTip(QWidget* grid)
    : QWidget(grid, Qt::ToolTip | Qt::FramelessWindowHint), m_grid(grid)
{
    setObjectName("ZTitleTip");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
}

void GridTitleTip::ShowTip(const QRect& cellGlobal, const QString& text, const QFont& font,
                           const QColor& textColour, const QColor& backColour, int margin)
{
    m_text = text;
    m_textColour = textColour;
    m_backColour = backColour;
    m_margin = margin;
    setFont(font);
    int width = QFontMetrics(font).horizontalAdvance(text) + 2 * margin + 2;
    setGeometry(cellGlobal.left(), cellGlobal.top(), std::max(width, cellGlobal.width()),
                cellGlobal.height());
    show();
    update();
}

void GridTitleTip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_backColour);
    painter.setPen(m_textColour);
    painter.drawText(rect().adjusted(m_margin, 0, -m_margin, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_text);
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void GridTitleTip::PassOn(QEvent* event)
{
    hide();
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text());
        QApplication::sendEvent(m_grid, &copy);
        return;
    }
    auto* mouse = static_cast<QMouseEvent*>(event);
    QPointF local = m_grid->mapFromGlobal(mouse->globalPosition());
    QMouseEvent copy(mouse->type(), local, mouse->globalPosition(), mouse->button(),
                     mouse->buttons(), mouse->modifiers());
    QApplication::sendEvent(m_grid, &copy);
}

void GridTitleTip::mousePressEvent(QMouseEvent* event)
{
    PassOn(event);
}

void GridTitleTip::mouseDoubleClickEvent(QMouseEvent* event)
{
    PassOn(event);
}

void GridTitleTip::keyPressEvent(QKeyEvent* event)
{
    PassOn(event);
}

void GridTitleTip::leaveEvent(QEvent*)
{
    hide();
}
