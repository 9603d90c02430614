// How the grid answers the mouse, the keyboard and the wheel: which cells
// become selected, where the focus goes, which divider is dragged, how far
// the wheel scrolls, and which notifications go to the parent.
//
// Points are client coordinates; the window (GridCtrl.cpp) only translates
// its events into these calls and repaints afterwards.
#pragma once

#include "grid/GridTable.h"
#include "grid/GridViewport.h"

#include <functional>
#include <set>
#include <utility>

// Notification codes sent to the grid's parent.
enum GridNotification : int {
    GridNotifyClick = -2,
    GridNotifyDoubleClick = -3,
    GridNotifyRightClick = -5,
    GridNotifySelectionChanging = -100,
    GridNotifySelectionChanged = -101,
};

// What a mouse interaction is doing from button down to button up.
enum class GridMouseMode {
    Nothing,
    SelectingCells,
    SelectingRows,
    SelectingColumns,
    SelectingAll,
    OverColumnDivider,
    SizingColumn,
    OverRowDivider,
    SizingRow,
};

enum class GridKey {
    Left,
    Right,
    Up,
    Down,
    PageUp,
    PageDown,
    Home,
    End,
    Tab,
    SelectAll,
};

struct GridModifiers
{
    bool shift = false;
    bool ctrl = false;
};

class GridInput
{
public:
    using Notify = std::function<void(int code, int row, int col)>;

    GridInput(GridTable& table, GridViewport& viewport, Notify notify);

    void LeftButtonDown(int x, int y, GridModifiers modifiers);
    void MouseMove(int x, int y);
    void LeftButtonUp(int x, int y);
    void LeftDoubleClick(int x, int y);
    void RightButtonUp(int x, int y);
    // Scrolls for a wheel delta (120 per notch); true when the view moved.
    bool Wheel(int delta);
    // True when the key was one of the grid's.
    bool KeyDown(GridKey key, GridModifiers modifiers);
    // One step of the scrolling that runs while a selection is dragged
    // outside the data area; the window calls it every 25 ms.
    void AutoScrollStep();
    bool WantsAutoScroll() const;

    GridMouseMode Mode() const { return m_mode; }
    // The pointer shape the mode asks for, for the window to show.
    bool OverColumnDivider(int x, int y) const;
    bool OverRowDivider(int x, int y) const;

    void SetWheelLines(int lines) { m_wheelLines = lines; }
    int GetWheelLines() const { return m_wheelLines; }
    void SetDividerCapture(int pixels) { m_capture = pixels; }
    GridCellId SelectionStart() const { return m_selectionStart; }

private:
    void StartSelection(GridCellId pressed, GridModifiers modifiers);
    void ExtendSelection(GridCellId to);
    void SelectForMode(GridCellId to);
    GridCellId ClampToData(GridCellId cell) const;
    GridCellId MoveFocus(GridKey key, GridModifiers modifiers) const;
    int NextShownRow(int row, int step) const;
    int NextShownColumn(int col, int step) const;

    GridTable& m_table;
    GridViewport& m_viewport;
    Notify m_notify;
    GridMouseMode m_mode = GridMouseMode::Nothing;
    GridCellId m_pressed;
    GridCellId m_selectionStart;
    GridCellId m_lastPointerCell;
    int m_lastX = 0;
    int m_lastY = 0;
    int m_sizedIndex = -1;
    bool m_buttonDown = false;
    std::set<std::pair<int, int>> m_kept;
    int m_wheelLines = 3;
    int m_capture = 3;
};
