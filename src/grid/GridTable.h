// The table behind the grid control: rows of cells, fixed (header) rows and
// columns, row heights and column widths, the focus cell and the selection.
//
// Everything the grid does that is not drawing or event plumbing lives here,
// so that it runs and is tested without a window. CGridCtrl (GridCtrl.h) is a
// GridTable with a window; a GridTable on its own is a text grid, which is
// what `vellum list` fills. Out-of-range indexes never fail loudly: setters
// return 0 and change nothing, getters return -1, 0 or an empty text.
#pragma once

#include "grid/GridCell.h"

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

// A cell position; -1, -1 names no cell.
struct GridCellId
{
    int row = -1;
    int col = -1;

    bool IsValid() const { return row >= 0 && col >= 0; }
    bool operator==(const GridCellId&) const = default;
};

// A rectangle of cells, bounds included. Maximum below minimum means empty.
struct GridCellRange
{
    int minRow = 0;
    int minCol = 0;
    int maxRow = -1;
    int maxCol = -1;

    bool IsValid() const
    {
        return minRow >= 0 && minCol >= 0 && maxRow >= minRow && maxCol >= minCol;
    }
};

// The system colours the grid's defaults come from.
struct GridSystemColours
{
    GridColour windowText = 0x000000;
    GridColour window = 0xFFFFFF;
    GridColour buttonFace = 0xC0C0C0;
    GridColour buttonShadow = 0x808080;
};

// The flags of SizeColumnsToContent's style.
enum GridAutoSize : int {
    GridAutoSizeDefault = 0,
    GridAutoSizeHeader = 1,
    GridAutoSizeData = 2,
    GridAutoSizeBoth = 3,
};

class GridTable
{
public:
    GridTable(int rows = 0, int cols = 0, int fixedRows = 0, int fixedCols = 0,
              const GridSystemColours& colours = {});
    virtual ~GridTable();
    GridTable(const GridTable&) = delete;
    GridTable& operator=(const GridTable&) = delete;

    // Size of the table.
    int SetRowCount(int rows);
    int SetColumnCount(int cols);
    int SetFixedRowCount(int fixedRows);
    int SetFixedColumnCount(int fixedCols);
    int GetRowCount() const { return static_cast<int>(m_rows.size()); }
    int GetColumnCount() const { return m_columnCount; }
    int GetFixedRowCount() const { return m_fixedRows; }
    int GetFixedColumnCount() const { return m_fixedCols; }

    int InsertRow(const std::string& heading, int position = -1);
    int DeleteRow(int row);
    int DeleteDataRows();

    int SetRowHeight(int row, int height);
    int SetColumnWidth(int col, int width);
    int GetRowHeight(int row) const;
    int GetColumnWidth(int col) const;

    // Cells.
    int SetText(int row, int col, const std::string& text);
    std::string GetText(int row, int col) const;
    int SetTextColour(int row, int col, GridColour colour);
    int SetBackColour(int row, int col, GridColour colour);
    GridColour GetTextColour(int row, int col) const;
    GridColour GetBackColour(int row, int col) const;
    unsigned GetState(int row, int col) const;
    CGridCellBase* GetCell(int row, int col);
    bool IsValid(int row, int col) const;
    bool IsFixed(int row, int col) const { return row < m_fixedRows || col < m_fixedCols; }
    bool IsModified() const { return m_modified; }

    // The default cell of a kind (fixed row, fixed column, both = the corner).
    CGridDefaultCell* GetDefaultCell(bool fixedRow, bool fixedCol);
    const CGridDefaultCell& DefaultCellOf(int row, int col) const;
    // The colours a cell is drawn with, its own or its default cell's.
    GridColour EffectiveTextColour(int row, int col) const;
    GridColour EffectiveBackColour(int row, int col) const;

    void SetGridBkColor(GridColour colour) { m_gridBackColour = colour; }
    GridColour GetGridBkColor() const { return m_gridBackColour; }
    void SetGridLineColor(GridColour colour) { m_gridLineColour = colour; }
    GridColour GetGridLineColor() const { return m_gridLineColour; }

    // Behaviour switches.
    void SetListMode(bool on);
    bool GetListMode() const { return m_listMode; }
    void SetSingleRowSelection(bool on) { m_singleRowSelection = on; }
    bool GetSingleRowSelection() const { return m_singleRowSelection; }
    void EnableSelection(bool on);
    bool IsSelectable() const { return m_selectionEnabled; }
    void SetEditable(bool on) { m_editable = on; }
    bool IsEditable() const { return m_editable; }
    void SetFixedRowSelection(bool on) { m_headerClickSelectsColumns = on; }
    bool GetFixedRowSelection() const { return m_headerClickSelectsColumns; }
    void SetFixedColumnSelection(bool on) { m_rowHeaderClickSelectsRows = on; }
    bool GetFixedColumnSelection() const { return m_rowHeaderClickSelectsRows; }
    void SetHeaderSort(bool on) { m_sortOnHeaderClick = on; }
    bool GetHeaderSort() const { return m_sortOnHeaderClick; }
    void SetSortColumn(int col) { m_sortColumn = col; }
    int GetSortColumn() const { return m_sortColumn; }
    void EnableColumnResize(bool on) { m_allowColumnResize = on; }
    bool GetColumnResize() const { return m_allowColumnResize; }
    void EnableRowResize(bool on) { m_allowRowResize = on; }
    bool GetRowResize() const { return m_allowRowResize; }
    void SetAutoSizeStyle(int style) { m_autoSizeStyle = style; }
    int GetAutoSizeStyle() const { return m_autoSizeStyle; }

    // Sizing to contents.
    void SizeColumnsToContent(int style = GridAutoSizeDefault);
    // Sizes one column over the rows the style names; false when hidden.
    bool AutoSizeColumn(int col, int style = GridAutoSizeDefault);
    bool AutoSizeRow(int row);
    // The text extent of a cell plus its margins.
    GridSize GetCellExtent(int row, int col) const;

    // Focus and selection.
    GridCellId GetFocusCell() const { return m_focus; }
    void SetFocusCell(GridCellId cell);
    bool IsCellSelected(int row, int col) const;
    GridCellRange GetSelectedRange() const;
    int GetSelectedCount() const { return static_cast<int>(m_selected.size()); }
    void ClearSelection();
    // Selects the range (clamped to the data cells) on top of the given kept
    // cells, replacing everything else.
    void SelectRange(const GridCellRange& range, const std::set<std::pair<int, int>>& kept = {});
    void SelectAllCells();
    void DeselectCell(int row, int col);
    const std::set<std::pair<int, int>>& SelectedCells() const { return m_selected; }
    // The selected cells as text: tabs between cells, CR LF after each row.
    std::string SelectedText() const;

    // Painting hooks; the text grid has nothing to paint.
    virtual void RedrawRow(int row);
    virtual void Refresh();
    virtual bool HasWindow() const { return false; }
    // Off while many rows change at once (a fill): the window neither
    // repaints nor fixes its scroll bars until it is on again, and then does
    // both once.
    void SetRedraw(bool allow);
    bool IsRedrawAllowed() const { return m_redrawAllowed; }

protected:
    // Text extent in a font. The text grid counts bytes on a fixed pitch of
    // 8 by 16 pixels, so a double-byte character is as wide as two letters.
    virtual GridSize MeasureText(const std::string& text, const GridFont& font) const;
    // Row heights or column widths changed: the window fixes its scroll bars.
    virtual void LayoutChanged() {}
    void ResetDefaultSizes(int width, int height);

private:
    using Row = std::vector<std::unique_ptr<CGridCell>>;
    Row MakeRow() const;
    void ResetColoursOfRows(int first, int last);
    void ResetColoursOfColumns(int first, int last);

    std::vector<Row> m_rows;
    std::vector<int> m_rowHeights;
    std::vector<int> m_columnWidths;
    int m_columnCount = 0;
    int m_fixedRows = 0;
    int m_fixedCols = 0;

    CGridDefaultCell m_normalDefault;
    CGridDefaultCell m_fixedRowDefault;
    CGridDefaultCell m_fixedColumnDefault;
    CGridDefaultCell m_cornerDefault;
    GridColour m_gridBackColour;
    GridColour m_gridLineColour = 0xC0C0C0;

    bool m_listMode = false;
    bool m_singleRowSelection = false;
    bool m_selectionEnabled = true;
    bool m_editable = true;
    bool m_headerClickSelectsColumns = true;
    bool m_rowHeaderClickSelectsRows = true;
    bool m_sortOnHeaderClick = false;
    int m_sortColumn = -1;
    bool m_allowColumnResize = true;
    bool m_allowRowResize = true;
    int m_autoSizeStyle = GridAutoSizeBoth;
    bool m_redrawAllowed = true;
    bool m_modified = false;

    GridCellId m_focus;
    std::set<std::pair<int, int>> m_selected;
};
