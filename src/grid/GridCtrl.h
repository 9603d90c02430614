// CGridCtrl: the grid window of the folder views.
//
// It is the grid table (GridTable.h) with a window: it measures text in real
// fonts, paints the visible cells, turns mouse, keyboard and wheel events
// into GridInput calls and sends the grid notifications (click -2, double
// click -3, right click -5, selection changing -100 and changed -101) to the
// windows around it with its control identifier. Until Create gives it a
// parent and an identifier it has no window as the binding sees it.
#pragma once

#include "grid/GridInput.h"
#include "grid/GridTable.h"
#include "grid/GridViewport.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QFontMetrics>

#include <memory>
#include <optional>
#include <string>

class GridTitleTip;

namespace vellum::ui {
class WindowTimers;
}

class CGridCtrl : public QAbstractScrollArea, public GridTable
{
public:
    explicit CGridCtrl(int rows = 0, int cols = 0, int fixedRows = 0, int fixedCols = 0);
    ~CGridCtrl() override;

    // Makes the grid a visible child of the parent with a tab stop and the
    // control identifier; the default cell sizes are measured now.
    bool Create(QWidget* parent, int id);
    bool HasWindow() const override { return m_created; }

    void RedrawRow(int row) override;
    void Refresh() override;

    // The font a default cell's description stands for.
    static QFont FontOf(const GridFont& font);
    // Lines per wheel notch from the desktop's setting; 3 when unknown.
    static int SystemWheelLines();

    GridViewport& Viewport() { return m_viewport; }
    GridInput& Input() { return m_input; }
    void SetWheelLines(int lines) { m_input.SetWheelLines(lines); }

protected:
    GridSize MeasureText(const std::string& text, const GridFont& font) const override;
    void LayoutChanged() override;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void Notify(int code, int row, int col);
    void SyncScrollBars();
    void AfterInput();
    void UpdateCursor(int x, int y);
    void ShowTitleTip(int x, int y);
    void PaintCell(class QPainter& painter, int row, int col, const GridRect& rect) const;
    bool CopySelection();
    struct MeasuredFont
    {
        GridFont key;
        QFont font;
        QFontMetrics metrics;
        // The text measured last and its size: every row of a fill gets the
        // same heading, and shaping it again each time is the dear part.
        std::string lastText;
        std::optional<GridSize> lastSize;
    };
    MeasuredFont& Measured(const GridFont& font) const;

    GridViewport m_viewport;
    GridInput m_input;
    std::unique_ptr<vellum::ui::WindowTimers> m_timers;
    GridTitleTip* m_titleTip = nullptr;
    GridCellId m_tipCell;
    bool m_created = false;
    bool m_syncing = false;
    // A fill measures every row's heading, a column sized to its rows every
    // cell and a paint every cell it shows, nearly always in one font: the
    // font and its metrics are made once.
    mutable std::unique_ptr<MeasuredFont> m_measured;
};
