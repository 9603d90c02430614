// Where the grid's cells lie in its window: the scroll position, the cell
// under a point, a cell's rectangle and the dividers between headers.
//
// The fixed rows and columns stay at the top and left; the data area scrolls
// by whole rows and columns, so one "line" of scrolling is one row. This is
// plain arithmetic over the table's row heights and column widths, apart from
// painting, so the mouse and keyboard rules can be tested with coordinates.
#pragma once

#include "grid/GridTable.h"

struct GridRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

class GridViewport
{
public:
    explicit GridViewport(const GridTable& table) : m_table(table) {}

    void SetClientSize(int width, int height);
    int ClientWidth() const { return m_width; }
    int ClientHeight() const { return m_height; }

    // The first data row and column shown below and right of the fixed ones.
    int GetTopRow() const;
    int GetLeftColumn() const;
    void SetTopRow(int row);
    void SetLeftColumn(int col);
    int MaxTopRow() const;
    int MaxLeftColumn() const;
    void ScrollRows(int rows) { SetTopRow(GetTopRow() + rows); }
    void ScrollColumns(int cols) { SetLeftColumn(GetLeftColumn() + cols); }
    // Data rows that fit on one screen below the header; at least 1.
    int PageRows() const;
    // Scrolls the least needed to show the cell whole (as far as it fits).
    void EnsureVisible(GridCellId cell);

    int FixedHeight() const;
    int FixedWidth() const;
    // Total height of the rows shown and width of the columns shown.
    int ShownHeight() const;
    int ShownWidth() const;

    // The rectangle of a cell, empty (0 by 0 at -1, -1) when scrolled away.
    GridRect CellRect(int row, int col) const;
    // The cell under a client point; -1, -1 outside every cell.
    GridCellId CellFromPoint(int x, int y) const;
    bool InDataArea(int x, int y) const;

    // The column whose right edge is within `capture` pixels of the point,
    // when the point is inside the header rows; -1 when none.
    int ColumnDividerAt(int x, int y, int capture) const;
    // The row whose bottom edge is near the point inside the fixed columns.
    int RowDividerAt(int x, int y, int capture) const;

    // The x of a column's left edge, or the y of a row's top edge; -1 when
    // the column or row is scrolled away.
    int ColumnLeft(int col) const;
    int RowTop(int row) const;

private:
    int RowAt(int y) const;
    int ColumnAt(int x) const;

    const GridTable& m_table;
    int m_width = 0;
    int m_height = 0;
    int m_topRow = 0;
    int m_leftCol = 0;
};
