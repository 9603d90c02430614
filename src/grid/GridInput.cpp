// Mouse, keyboard and wheel rules of the grid. A mouse interaction runs from
// button down to button up in one GridMouseMode; the selection it makes is
// the range from the selection start to the cell under the pointer, laid on
// top of the cells kept from before when Ctrl was held at the press.
#include "grid/GridInput.h"

#include <algorithm>

GridInput::GridInput(GridTable& table, GridViewport& viewport, Notify notify)
    : m_table(table), m_viewport(viewport), m_notify(std::move(notify))
{
}

bool GridInput::OverColumnDivider(int x, int y) const
{
    return m_table.GetColumnResize() && m_viewport.ColumnDividerAt(x, y, m_capture) >= 0;
}

bool GridInput::OverRowDivider(int x, int y) const
{
    return m_table.GetRowResize() && m_viewport.RowDividerAt(x, y, m_capture) >= 0;
}

void GridInput::LeftButtonDown(int x, int y, GridModifiers modifiers)
{
    m_buttonDown = true;
    m_lastX = x;
    m_lastY = y;
    m_kept.clear();
    m_mode = GridMouseMode::Nothing;
    m_pressed = {};
    if (OverColumnDivider(x, y)) {
        m_sizedIndex = m_viewport.ColumnDividerAt(x, y, m_capture);
        m_mode = GridMouseMode::SizingColumn;
        return;
    }
    if (OverRowDivider(x, y)) {
        m_sizedIndex = m_viewport.RowDividerAt(x, y, m_capture);
        m_mode = GridMouseMode::SizingRow;
        return;
    }
    GridCellId pressed = m_viewport.CellFromPoint(x, y);
    if (!pressed.IsValid())
        return;
    m_pressed = pressed;
    m_lastPointerCell = pressed;
    if (!modifiers.shift)
        m_selectionStart = pressed;
    else if (!m_selectionStart.IsValid())
        m_selectionStart = m_table.GetFocusCell().IsValid() ? m_table.GetFocusCell() : pressed;

    if (m_table.IsCellSelected(pressed.row, pressed.col)) {
        m_table.SetFocusCell(pressed);
        if (modifiers.ctrl) {
            if (m_table.GetListMode()) {
                for (int col = 0; col < m_table.GetColumnCount(); ++col)
                    m_table.DeselectCell(pressed.row, col);
            } else {
                m_table.DeselectCell(pressed.row, pressed.col);
            }
            return;
        }
    } else {
        bool fixed = m_table.IsFixed(pressed.row, pressed.col);
        m_table.SetFocusCell(fixed ? GridCellId{} : pressed);
    }
    StartSelection(pressed, modifiers);
}

void GridInput::StartSelection(GridCellId pressed, GridModifiers modifiers)
{
    if (modifiers.ctrl)
        m_kept = m_table.SelectedCells();
    if (!m_table.IsSelectable())
        return;
    bool fixedRow = pressed.row < m_table.GetFixedRowCount();
    bool fixedCol = pressed.col < m_table.GetFixedColumnCount();
    if (fixedRow && fixedCol)
        m_mode = GridMouseMode::SelectingAll;
    else if (fixedRow)
        m_mode = m_table.GetFixedRowSelection() ? GridMouseMode::SelectingColumns
                                                : GridMouseMode::Nothing;
    else if (fixedCol)
        m_mode = m_table.GetFixedColumnSelection() ? GridMouseMode::SelectingRows
                                                   : GridMouseMode::Nothing;
    else
        m_mode =
            m_table.GetListMode() ? GridMouseMode::SelectingRows : GridMouseMode::SelectingCells;
    if (m_mode == GridMouseMode::Nothing)
        return;
    GridCellId focus = m_table.GetFocusCell();
    m_notify(GridNotifySelectionChanging, focus.row, focus.col);
    SelectForMode(pressed);
}

void GridInput::SelectForMode(GridCellId to)
{
    const int lastRow = m_table.GetRowCount() - 1;
    const int lastCol = m_table.GetColumnCount() - 1;
    const int firstRow = m_table.GetFixedRowCount();
    const int firstCol = m_table.GetFixedColumnCount();
    GridCellId start = m_selectionStart.IsValid() ? m_selectionStart : to;
    switch (m_mode) {
    case GridMouseMode::SelectingCells:
        m_table.SelectRange({start.row, start.col, to.row, to.col}, m_kept);
        break;
    case GridMouseMode::SelectingRows:
        if (m_table.GetListMode() && m_table.GetSingleRowSelection())
            start.row = to.row;
        m_table.SelectRange({start.row, firstCol, to.row, lastCol}, m_kept);
        break;
    case GridMouseMode::SelectingColumns:
        m_table.SelectRange({firstRow, start.col, lastRow, to.col}, m_kept);
        break;
    case GridMouseMode::SelectingAll:
        m_table.SelectAllCells();
        break;
    default:
        break;
    }
}

GridCellId GridInput::ClampToData(GridCellId cell) const
{
    if (!cell.IsValid())
        return {};
    cell.row = std::max(cell.row, m_table.GetFixedRowCount());
    cell.col = std::max(cell.col, m_table.GetFixedColumnCount());
    if (!m_table.IsValid(cell.row, cell.col))
        return {};
    return cell;
}

void GridInput::ExtendSelection(GridCellId to)
{
    if (!to.IsValid() || to == m_lastPointerCell)
        return;
    m_lastPointerCell = to;
    if (m_mode == GridMouseMode::SelectingCells || m_mode == GridMouseMode::SelectingRows) {
        GridCellId data = ClampToData(to);
        if (!data.IsValid())
            return;
        m_table.SetFocusCell(data);
        SelectForMode(data);
        return;
    }
    SelectForMode(to);
}

void GridInput::MouseMove(int x, int y)
{
    m_lastX = x;
    m_lastY = y;
    if (!m_buttonDown)
        return;
    switch (m_mode) {
    case GridMouseMode::SelectingCells:
    case GridMouseMode::SelectingRows:
    case GridMouseMode::SelectingColumns:
        ExtendSelection(m_viewport.CellFromPoint(x, y));
        break;
    default:
        break;
    }
}

bool GridInput::WantsAutoScroll() const
{
    bool selecting = m_mode == GridMouseMode::SelectingCells ||
                     m_mode == GridMouseMode::SelectingRows ||
                     m_mode == GridMouseMode::SelectingColumns;
    return m_buttonDown && selecting && !m_viewport.InDataArea(m_lastX, m_lastY);
}

void GridInput::AutoScrollStep()
{
    if (!WantsAutoScroll())
        return;
    if (m_lastY < m_viewport.FixedHeight())
        m_viewport.ScrollRows(-1);
    else if (m_lastY >= m_viewport.ClientHeight())
        m_viewport.ScrollRows(1);
    if (m_lastX < m_viewport.FixedWidth())
        m_viewport.ScrollColumns(-1);
    else if (m_lastX >= m_viewport.ClientWidth())
        m_viewport.ScrollColumns(1);
    int x = std::clamp(m_lastX, m_viewport.FixedWidth(),
                       std::min(m_viewport.ClientWidth(), m_viewport.ShownWidth()) - 1);
    int y = std::clamp(m_lastY, m_viewport.FixedHeight(),
                       std::min(m_viewport.ClientHeight(), m_viewport.ShownHeight()) - 1);
    ExtendSelection(m_viewport.CellFromPoint(x, y));
}

void GridInput::LeftButtonUp(int x, int y)
{
    if (!m_buttonDown)
        return;
    m_buttonDown = false;
    GridMouseMode mode = m_mode;
    m_mode = GridMouseMode::Nothing;
    if (mode == GridMouseMode::SizingColumn) {
        int left = m_viewport.ColumnLeft(m_sizedIndex);
        m_table.SetColumnWidth(m_sizedIndex, std::max(0, x - left));
        return;
    }
    if (mode == GridMouseMode::SizingRow) {
        int top = m_viewport.RowTop(m_sizedIndex);
        m_table.SetRowHeight(m_sizedIndex, std::max(0, y - top));
        return;
    }
    if (m_pressed.IsValid()) {
        GridCellId focus = m_table.GetFocusCell();
        m_notify(GridNotifySelectionChanged, focus.row, focus.col);
    }
    m_notify(GridNotifyClick, m_pressed.row, m_pressed.col);
}

void GridInput::LeftDoubleClick(int x, int y)
{
    // The press that came with the double click has been handled; the
    // release that follows belongs to the double click and says nothing.
    m_buttonDown = false;
    m_mode = GridMouseMode::Nothing;
    if (OverColumnDivider(x, y)) {
        m_table.AutoSizeColumn(m_viewport.ColumnDividerAt(x, y, m_capture), GridAutoSizeBoth);
        return;
    }
    if (OverRowDivider(x, y)) {
        m_table.AutoSizeRow(m_viewport.RowDividerAt(x, y, m_capture));
        return;
    }
    GridCellId cell = m_viewport.CellFromPoint(x, y);
    if (cell.IsValid())
        m_notify(GridNotifyDoubleClick, cell.row, cell.col);
}

void GridInput::RightButtonUp(int x, int y)
{
    GridCellId cell = ClampToData(m_viewport.CellFromPoint(x, y));
    if (cell.IsValid())
        m_table.SetFocusCell(cell);
    m_notify(GridNotifyRightClick, cell.row, cell.col);
}

bool GridInput::Wheel(int delta)
{
    int before = m_viewport.GetTopRow();
    if (m_wheelLines == -1)
        m_viewport.ScrollRows(-(delta / 120) * m_viewport.PageRows());
    else
        m_viewport.ScrollRows(-(delta * m_wheelLines / 120));
    return m_viewport.GetTopRow() != before;
}

int GridInput::NextShownRow(int row, int step) const
{
    for (int next = row + step; next >= m_table.GetFixedRowCount() && next < m_table.GetRowCount();
         next += step)
        if (m_table.GetRowHeight(next) > 0)
            return next;
    return row;
}

int GridInput::NextShownColumn(int col, int step) const
{
    for (int next = col + step;
         next >= m_table.GetFixedColumnCount() && next < m_table.GetColumnCount(); next += step)
        if (m_table.GetColumnWidth(next) > 0)
            return next;
    return col;
}

GridCellId GridInput::MoveFocus(GridKey key, GridModifiers modifiers) const
{
    const int firstRow = NextShownRow(m_table.GetFixedRowCount() - 1, 1);
    const int lastRow = NextShownRow(m_table.GetRowCount(), -1);
    const int firstCol = NextShownColumn(m_table.GetFixedColumnCount() - 1, 1);
    const int lastCol = NextShownColumn(m_table.GetColumnCount(), -1);
    if (!m_table.IsValid(firstRow, firstCol) || m_table.IsFixed(firstRow, firstCol))
        return {};
    GridCellId focus = m_table.GetFocusCell();
    if (!focus.IsValid())
        return {firstRow, firstCol};
    switch (key) {
    case GridKey::Up:
        focus.row = NextShownRow(focus.row, -1);
        break;
    case GridKey::Down:
        focus.row = NextShownRow(focus.row, 1);
        break;
    case GridKey::Left:
        focus.col = NextShownColumn(focus.col, -1);
        break;
    case GridKey::Right:
        focus.col = NextShownColumn(focus.col, 1);
        break;
    case GridKey::PageUp:
        focus.row = std::max(focus.row - m_viewport.PageRows(), firstRow);
        break;
    case GridKey::PageDown:
        focus.row = std::min(focus.row + m_viewport.PageRows(), lastRow);
        break;
    case GridKey::Home:
        (modifiers.ctrl ? focus.row : focus.col) = modifiers.ctrl ? firstRow : firstCol;
        break;
    case GridKey::End:
        (modifiers.ctrl ? focus.row : focus.col) = modifiers.ctrl ? lastRow : lastCol;
        break;
    case GridKey::Tab: {
        int step = modifiers.shift ? -1 : 1;
        int col = NextShownColumn(focus.col, step);
        if (col != focus.col) {
            focus.col = col;
        } else if (NextShownRow(focus.row, step) != focus.row) {
            focus.row = NextShownRow(focus.row, step);
            focus.col = step > 0 ? firstCol : lastCol;
        }
        break;
    }
    case GridKey::SelectAll:
        break;
    }
    return focus;
}

bool GridInput::KeyDown(GridKey key, GridModifiers modifiers)
{
    if (key == GridKey::SelectAll) {
        m_table.SelectAllCells();
        return true;
    }
    GridCellId focus = MoveFocus(key, modifiers);
    if (!focus.IsValid())
        return false;
    m_notify(GridNotifySelectionChanging, focus.row, focus.col);
    m_table.SetFocusCell(focus);
    if (!modifiers.shift || key == GridKey::Tab || !m_selectionStart.IsValid())
        m_selectionStart = focus;
    if (m_table.IsSelectable()) {
        GridCellId start = m_selectionStart;
        if (m_table.GetListMode()) {
            if (m_table.GetSingleRowSelection())
                start.row = focus.row;
            m_table.SelectRange({start.row, m_table.GetFixedColumnCount(), focus.row,
                                 m_table.GetColumnCount() - 1});
        } else {
            m_table.SelectRange({start.row, start.col, focus.row, focus.col});
        }
    }
    m_viewport.EnsureVisible(focus);
    m_notify(GridNotifySelectionChanged, focus.row, focus.col);
    return true;
}
