// Grid geometry. The scroll position is kept as row and column indexes and
// clamped whenever it is read, so deleting rows never leaves the view past
// the end of the table.
#include "grid/GridViewport.h"

#include <algorithm>

void GridViewport::SetClientSize(int width, int height)
{
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
}

int GridViewport::FixedHeight() const
{
    int height = 0;
    for (int row = 0; row < m_table.GetFixedRowCount(); ++row)
        height += m_table.GetRowHeight(row);
    return height;
}

int GridViewport::FixedWidth() const
{
    int width = 0;
    for (int col = 0; col < m_table.GetFixedColumnCount(); ++col)
        width += m_table.GetColumnWidth(col);
    return width;
}

// The top row from which the remaining rows just fill the data area.
int GridViewport::MaxTopRow() const
{
    int fixedRows = m_table.GetFixedRowCount();
    int space = m_height - FixedHeight();
    int row = m_table.GetRowCount() - 1;
    int used = 0;
    while (row >= fixedRows && used + m_table.GetRowHeight(row) <= space) {
        used += m_table.GetRowHeight(row);
        --row;
    }
    return std::max(row + 1, fixedRows);
}

int GridViewport::MaxLeftColumn() const
{
    int fixedCols = m_table.GetFixedColumnCount();
    int space = m_width - FixedWidth();
    int col = m_table.GetColumnCount() - 1;
    int used = 0;
    while (col >= fixedCols && used + m_table.GetColumnWidth(col) <= space) {
        used += m_table.GetColumnWidth(col);
        --col;
    }
    return std::max(col + 1, fixedCols);
}

int GridViewport::GetTopRow() const
{
    return std::clamp(m_topRow, m_table.GetFixedRowCount(), MaxTopRow());
}

int GridViewport::GetLeftColumn() const
{
    return std::clamp(m_leftCol, m_table.GetFixedColumnCount(), MaxLeftColumn());
}

void GridViewport::SetTopRow(int row)
{
    m_topRow = std::clamp(row, m_table.GetFixedRowCount(), MaxTopRow());
}

void GridViewport::SetLeftColumn(int col)
{
    m_leftCol = std::clamp(col, m_table.GetFixedColumnCount(), MaxLeftColumn());
}

int GridViewport::PageRows() const
{
    int space = m_height - FixedHeight();
    int rows = 0;
    for (int row = GetTopRow(); row < m_table.GetRowCount(); ++row) {
        space -= m_table.GetRowHeight(row);
        if (space < 0)
            break;
        ++rows;
    }
    return std::max(rows, 1);
}

void GridViewport::EnsureVisible(GridCellId cell)
{
    if (cell.row >= m_table.GetFixedRowCount()) {
        if (cell.row < GetTopRow()) {
            SetTopRow(cell.row);
        } else {
            int space = m_height - FixedHeight();
            int top = cell.row;
            int used = m_table.GetRowHeight(top);
            while (top - 1 >= GetTopRow() && used + m_table.GetRowHeight(top - 1) <= space)
                used += m_table.GetRowHeight(--top);
            SetTopRow(std::max(top, GetTopRow()));
        }
    }
    if (cell.col >= m_table.GetFixedColumnCount()) {
        if (cell.col < GetLeftColumn()) {
            SetLeftColumn(cell.col);
        } else {
            int space = m_width - FixedWidth();
            int left = cell.col;
            int used = m_table.GetColumnWidth(left);
            while (left - 1 >= GetLeftColumn() && used + m_table.GetColumnWidth(left - 1) <= space)
                used += m_table.GetColumnWidth(--left);
            SetLeftColumn(std::max(left, GetLeftColumn()));
        }
    }
}

int GridViewport::RowTop(int row) const
{
    if (row < 0 || row >= m_table.GetRowCount())
        return -1;
    int fixedRows = m_table.GetFixedRowCount();
    int y = 0;
    if (row < fixedRows) {
        for (int r = 0; r < row; ++r)
            y += m_table.GetRowHeight(r);
        return y;
    }
    int top = GetTopRow();
    if (row < top)
        return -1;
    y = FixedHeight();
    for (int r = top; r < row; ++r)
        y += m_table.GetRowHeight(r);
    return y;
}

int GridViewport::ColumnLeft(int col) const
{
    if (col < 0 || col >= m_table.GetColumnCount())
        return -1;
    int fixedCols = m_table.GetFixedColumnCount();
    int x = 0;
    if (col < fixedCols) {
        for (int c = 0; c < col; ++c)
            x += m_table.GetColumnWidth(c);
        return x;
    }
    int left = GetLeftColumn();
    if (col < left)
        return -1;
    x = FixedWidth();
    for (int c = left; c < col; ++c)
        x += m_table.GetColumnWidth(c);
    return x;
}

int GridViewport::ShownHeight() const
{
    int height = FixedHeight();
    for (int row = GetTopRow(); row < m_table.GetRowCount() && height < m_height; ++row)
        height += m_table.GetRowHeight(row);
    return height;
}

int GridViewport::ShownWidth() const
{
    int width = FixedWidth();
    for (int col = GetLeftColumn(); col < m_table.GetColumnCount() && width < m_width; ++col)
        width += m_table.GetColumnWidth(col);
    return width;
}

GridRect GridViewport::CellRect(int row, int col) const
{
    int top = RowTop(row);
    int left = ColumnLeft(col);
    if (top < 0 || left < 0)
        return {-1, -1, -1, -1};
    return {left, top, left + m_table.GetColumnWidth(col), top + m_table.GetRowHeight(row)};
}

// Walks the shown rows; a hidden row (height 0) never matches.
int GridViewport::RowAt(int y) const
{
    if (y < 0)
        return -1;
    int bottom = 0;
    for (int row = 0; row < m_table.GetFixedRowCount(); ++row) {
        bottom += m_table.GetRowHeight(row);
        if (y < bottom)
            return row;
    }
    for (int row = GetTopRow(); row < m_table.GetRowCount() && bottom <= m_height; ++row) {
        bottom += m_table.GetRowHeight(row);
        if (y < bottom)
            return row;
    }
    return -1;
}

int GridViewport::ColumnAt(int x) const
{
    if (x < 0)
        return -1;
    int right = 0;
    for (int col = 0; col < m_table.GetFixedColumnCount(); ++col) {
        right += m_table.GetColumnWidth(col);
        if (x < right)
            return col;
    }
    for (int col = GetLeftColumn(); col < m_table.GetColumnCount() && right <= m_width; ++col) {
        right += m_table.GetColumnWidth(col);
        if (x < right)
            return col;
    }
    return -1;
}

GridCellId GridViewport::CellFromPoint(int x, int y) const
{
    int row = RowAt(y);
    int col = ColumnAt(x);
    if (row < 0 || col < 0)
        return {};
    return {row, col};
}

bool GridViewport::InDataArea(int x, int y) const
{
    return x >= FixedWidth() && y >= FixedHeight() && x < m_width && y < m_height;
}

int GridViewport::ColumnDividerAt(int x, int y, int capture) const
{
    if (y < 0 || y >= FixedHeight())
        return -1;
    // The divider right of the nearest shown column edge, searching the
    // columns in drawing order; a hidden column never owns one.
    int fixedCols = m_table.GetFixedColumnCount();
    int right = 0;
    auto near = [&](int col) {
        right += m_table.GetColumnWidth(col);
        return m_table.GetColumnWidth(col) > 0 && x >= right - capture && x <= right + capture;
    };
    for (int col = 0; col < fixedCols; ++col)
        if (near(col))
            return col;
    for (int col = GetLeftColumn(); col < m_table.GetColumnCount(); ++col)
        if (near(col))
            return col;
    return -1;
}

int GridViewport::RowDividerAt(int x, int y, int capture) const
{
    if (x < 0 || x >= FixedWidth())
        return -1;
    int fixedRows = m_table.GetFixedRowCount();
    int bottom = 0;
    auto near = [&](int row) {
        bottom += m_table.GetRowHeight(row);
        return m_table.GetRowHeight(row) > 0 && y >= bottom - capture && y <= bottom + capture;
    };
    for (int row = 0; row < fixedRows; ++row)
        if (near(row))
            return row;
    for (int row = GetTopRow(); row < m_table.GetRowCount(); ++row)
        if (near(row))
            return row;
    return -1;
}
