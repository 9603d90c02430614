// The cell tip of the grid (window class "ZTitleTip"): a borderless window
// that shows a cell's whole text over the cell when it does not fit. A press
// of a mouse button or a key over the tip hides it and goes on to the grid,
// as if the tip were not there.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

class GridTitleTip : public QWidget
{
public:
    explicit GridTitleTip(QWidget* grid);

    // Shows the text at a rectangle in global coordinates, at least as wide
    // as the text needs.
    void ShowTip(const QRect& cellGlobal, const QString& text, const QFont& font,
                 const QColor& textColour, const QColor& backColour, int margin);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void PassOn(QEvent* event);

    QWidget* m_grid;
    QString m_text;
    QColor m_textColour;
    QColor m_backColour;
    int m_margin = 0;
};
