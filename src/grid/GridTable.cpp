// The grid's table, selection and sizing rules. Every change of the table's
// shape clears the selection first, so no selected pair ever names a cell
// that moved or went away.
#include "grid/GridTable.h"

#include <algorithm>

GridTable::GridTable(int rows, int cols, int fixedRows, int fixedCols,
                     const GridSystemColours& colours)
    : m_normalDefault(colours.windowText, colours.window),
      m_fixedRowDefault(colours.windowText, colours.buttonFace),
      m_fixedColumnDefault(colours.windowText, colours.buttonFace),
      m_cornerDefault(colours.windowText, colours.buttonFace),
      m_gridBackColour(colours.buttonShadow)
{
    SetRowCount(std::max(rows, 0));
    SetColumnCount(std::max(cols, 0));
    SetFixedRowCount(std::max(fixedRows, 0));
    SetFixedColumnCount(std::max(fixedCols, 0));
}

GridTable::~GridTable() = default;

GridTable::Row GridTable::MakeRow() const
{
    Row row;
    row.reserve(static_cast<size_t>(m_columnCount));
    for (int col = 0; col < m_columnCount; ++col)
        row.push_back(std::make_unique<CGridCell>());
    return row;
}

void GridTable::ResetDefaultSizes(int width, int height)
{
    for (CGridDefaultCell* cell :
         {&m_normalDefault, &m_fixedRowDefault, &m_fixedColumnDefault, &m_cornerDefault}) {
        cell->SetWidth(width);
        cell->SetHeight(height);
    }
    std::fill(m_rowHeights.begin(), m_rowHeights.end(), height);
    std::fill(m_columnWidths.begin(), m_columnWidths.end(), width);
    LayoutChanged();
}

int GridTable::SetRowCount(int rows)
{
    if (rows < 0)
        return 0;
    ClearSelection();
    if (m_focus.row >= rows)
        m_focus = {};
    int oldRows = GetRowCount();
    m_rows.resize(static_cast<size_t>(rows));
    m_rowHeights.resize(static_cast<size_t>(rows), m_normalDefault.GetHeight());
    for (int row = oldRows; row < rows; ++row)
        m_rows[static_cast<size_t>(row)] = MakeRow();
    m_fixedRows = std::min(m_fixedRows, rows);
    LayoutChanged();
    return 1;
}

int GridTable::SetColumnCount(int cols)
{
    if (cols < 0)
        return 0;
    ClearSelection();
    if (m_focus.col >= cols)
        m_focus = {};
    m_fixedCols = std::min(m_fixedCols, cols);
    m_columnWidths.resize(static_cast<size_t>(cols), m_fixedColumnDefault.GetWidth());
    for (Row& row : m_rows) {
        int oldCols = static_cast<int>(row.size());
        row.resize(static_cast<size_t>(cols));
        for (int col = oldCols; col < cols; ++col)
            row[static_cast<size_t>(col)] = std::make_unique<CGridCell>();
    }
    m_columnCount = cols;
    LayoutChanged();
    return 1;
}

// Cells that change between fixed and normal lose their own colours, so they
// take those of their new kind.
void GridTable::ResetColoursOfRows(int first, int last)
{
    for (int row = first; row < last; ++row)
        for (auto& cell : m_rows[static_cast<size_t>(row)]) {
            cell->SetTextClr(CLR_DEFAULT);
            cell->SetBackClr(CLR_DEFAULT);
        }
}

void GridTable::ResetColoursOfColumns(int first, int last)
{
    for (auto& row : m_rows)
        for (int col = first; col < last; ++col) {
            row[static_cast<size_t>(col)]->SetTextClr(CLR_DEFAULT);
            row[static_cast<size_t>(col)]->SetBackClr(CLR_DEFAULT);
        }
}

int GridTable::SetFixedRowCount(int fixedRows)
{
    if (fixedRows < 0)
        return 0;
    if (fixedRows > GetRowCount() && !SetRowCount(fixedRows))
        return 0;
    ClearSelection();
    ResetColoursOfRows(std::min(fixedRows, m_fixedRows), std::max(fixedRows, m_fixedRows));
    if (m_focus.row >= 0 && m_focus.row < fixedRows)
        m_focus = {};
    m_fixedRows = fixedRows;
    Refresh();
    return 1;
}

int GridTable::SetFixedColumnCount(int fixedCols)
{
    if (fixedCols < 0)
        return 0;
    if (fixedCols > m_columnCount && !SetColumnCount(fixedCols))
        return 0;
    ClearSelection();
    ResetColoursOfColumns(std::min(fixedCols, m_fixedCols), std::max(fixedCols, m_fixedCols));
    if (m_focus.col >= 0 && m_focus.col < fixedCols)
        m_focus = {};
    m_fixedCols = fixedCols;
    Refresh();
    return 1;
}

int GridTable::InsertRow(const std::string& heading, int position)
{
    if (position != -1 && (position < m_fixedRows || position >= GetRowCount()))
        return -1;
    ClearSelection();
    if (m_columnCount == 0)
        SetColumnCount(1);
    int row = position == -1 ? GetRowCount() : position;
    m_rows.insert(m_rows.begin() + row, MakeRow());
    m_rowHeights.insert(m_rowHeights.begin() + row, m_fixedRowDefault.GetHeight());
    m_rows[static_cast<size_t>(row)][0]->SetText(heading);
    if (!heading.empty())
        m_rowHeights[static_cast<size_t>(row)] =
            MeasureText(heading, DefaultCellOf(row, 0).GetFont()).height;
    if (m_focus.IsValid() && row <= m_focus.row)
        ++m_focus.row;
    LayoutChanged();
    return row;
}

int GridTable::DeleteRow(int row)
{
    if (row < 0 || row >= GetRowCount())
        return 0;
    ClearSelection();
    m_rows.erase(m_rows.begin() + row);
    m_rowHeights.erase(m_rowHeights.begin() + row);
    if (row < m_fixedRows)
        --m_fixedRows;
    if (m_focus.row == row)
        m_focus = {};
    else if (m_focus.row > row)
        --m_focus.row;
    LayoutChanged();
    return 1;
}

int GridTable::DeleteDataRows()
{
    ClearSelection();
    m_rows.resize(static_cast<size_t>(m_fixedRows));
    m_rowHeights.resize(static_cast<size_t>(m_fixedRows));
    if (m_focus.row >= m_fixedRows)
        m_focus = {};
    LayoutChanged();
    return 1;
}

int GridTable::SetRowHeight(int row, int height)
{
    if (row < 0 || row >= GetRowCount() || height < 0)
        return 0;
    m_rowHeights[static_cast<size_t>(row)] = height;
    LayoutChanged();
    return 1;
}

int GridTable::SetColumnWidth(int col, int width)
{
    if (col < 0 || col >= m_columnCount || width < 0)
        return 0;
    m_columnWidths[static_cast<size_t>(col)] = width;
    LayoutChanged();
    return 1;
}

int GridTable::GetRowHeight(int row) const
{
    if (row < 0 || row >= GetRowCount())
        return -1;
    return m_rowHeights[static_cast<size_t>(row)];
}

int GridTable::GetColumnWidth(int col) const
{
    if (col < 0 || col >= m_columnCount)
        return -1;
    return m_columnWidths[static_cast<size_t>(col)];
}

bool GridTable::IsValid(int row, int col) const
{
    return row >= 0 && row < GetRowCount() && col >= 0 && col < m_columnCount;
}

CGridCellBase* GridTable::GetCell(int row, int col)
{
    if (!IsValid(row, col))
        return nullptr;
    return m_rows[static_cast<size_t>(row)][static_cast<size_t>(col)].get();
}

int GridTable::SetText(int row, int col, const std::string& text)
{
    CGridCellBase* cell = GetCell(row, col);
    if (!cell)
        return 0;
    cell->SetText(text);
    cell->SetState(cell->GetState() | GridStateModified);
    m_modified = true;
    if (col == m_sortColumn)
        m_sortColumn = -1;
    return 1;
}

std::string GridTable::GetText(int row, int col) const
{
    if (!IsValid(row, col))
        return {};
    return m_rows[static_cast<size_t>(row)][static_cast<size_t>(col)]->GetText();
}

int GridTable::SetTextColour(int row, int col, GridColour colour)
{
    CGridCellBase* cell = GetCell(row, col);
    if (!cell)
        return 0;
    cell->SetTextClr(colour);
    return 1;
}

int GridTable::SetBackColour(int row, int col, GridColour colour)
{
    CGridCellBase* cell = GetCell(row, col);
    if (!cell)
        return 0;
    cell->SetBackClr(colour);
    return 1;
}

GridColour GridTable::GetTextColour(int row, int col) const
{
    if (!IsValid(row, col))
        return CLR_DEFAULT;
    return m_rows[static_cast<size_t>(row)][static_cast<size_t>(col)]->GetTextClr();
}

GridColour GridTable::GetBackColour(int row, int col) const
{
    if (!IsValid(row, col))
        return CLR_DEFAULT;
    return m_rows[static_cast<size_t>(row)][static_cast<size_t>(col)]->GetBackClr();
}

unsigned GridTable::GetState(int row, int col) const
{
    if (!IsValid(row, col))
        return 0;
    unsigned state = m_rows[static_cast<size_t>(row)][static_cast<size_t>(col)]->GetState();
    state &= ~unsigned(GridStateFocused | GridStateSelected | GridStateFixed | GridStateFixedRow |
                       GridStateFixedColumn);
    if (row < m_fixedRows)
        state |= GridStateFixed | GridStateFixedRow;
    if (col < m_fixedCols)
        state |= GridStateFixed | GridStateFixedColumn;
    if (IsCellSelected(row, col))
        state |= GridStateSelected;
    if (m_focus == GridCellId{row, col})
        state |= GridStateFocused;
    return state;
}

CGridDefaultCell* GridTable::GetDefaultCell(bool fixedRow, bool fixedCol)
{
    if (fixedRow && fixedCol)
        return &m_cornerDefault;
    if (fixedRow)
        return &m_fixedRowDefault;
    if (fixedCol)
        return &m_fixedColumnDefault;
    return &m_normalDefault;
}

const CGridDefaultCell& GridTable::DefaultCellOf(int row, int col) const
{
    bool fixedRow = row < m_fixedRows;
    bool fixedCol = col < m_fixedCols;
    return *const_cast<GridTable*>(this)->GetDefaultCell(fixedRow, fixedCol);
}

GridColour GridTable::EffectiveTextColour(int row, int col) const
{
    GridColour own = GetTextColour(row, col);
    return own == CLR_DEFAULT ? DefaultCellOf(row, col).GetTextClr() : own;
}

GridColour GridTable::EffectiveBackColour(int row, int col) const
{
    GridColour own = GetBackColour(row, col);
    return own == CLR_DEFAULT ? DefaultCellOf(row, col).GetBackClr() : own;
}

void GridTable::SetListMode(bool on)
{
    ClearSelection();
    m_sortColumn = -1;
    m_listMode = on;
    m_rowHeaderClickSelectsRows = false;
    Refresh();
}

void GridTable::EnableSelection(bool on)
{
    ClearSelection();
    m_selectionEnabled = on;
}

GridSize GridTable::MeasureText(const std::string& text, const GridFont&) const
{
    return {8 * static_cast<int>(text.size()), 16};
}

GridSize GridTable::GetCellExtent(int row, int col) const
{
    const CGridDefaultCell& defaults = DefaultCellOf(row, col);
    GridSize size = MeasureText(GetText(row, col), defaults.GetFont());
    size.width += 2 * defaults.GetMargin();
    size.height += 2 * defaults.GetMargin();
    return size;
}

namespace {

// The first and last row that a sizing style measures.
std::pair<int, int> MeasuredRows(int style, int fixedRows, int rowCount)
{
    int first = (style & GridAutoSizeHeader) ? 0 : fixedRows;
    int last = (style & GridAutoSizeData) ? rowCount - 1 : fixedRows - 1;
    return {first, last};
}

} // namespace

void GridTable::SizeColumnsToContent(int style)
{
    if (style == GridAutoSizeDefault)
        style = m_autoSizeStyle;
    auto [first, last] = MeasuredRows(style, m_fixedRows, GetRowCount());
    for (int row = first; row <= last; ++row)
        if (m_rowHeights[static_cast<size_t>(row)] > 0)
            m_rowHeights[static_cast<size_t>(row)] = 1;
    for (int col = 0; col < m_columnCount; ++col) {
        if (m_columnWidths[static_cast<size_t>(col)] <= 0)
            continue;
        int width = 0;
        for (int row = first; row <= last; ++row) {
            int& height = m_rowHeights[static_cast<size_t>(row)];
            if (height <= 0)
                continue;
            GridSize extent = GetCellExtent(row, col);
            width = std::max(width, extent.width);
            height = std::max(height, extent.height);
        }
        m_columnWidths[static_cast<size_t>(col)] = width;
    }
    LayoutChanged();
    Refresh();
}

bool GridTable::AutoSizeColumn(int col, int style)
{
    if (col < 0 || col >= m_columnCount || m_columnWidths[static_cast<size_t>(col)] <= 0)
        return false;
    if (style == GridAutoSizeDefault)
        style = m_autoSizeStyle;
    auto [first, last] = MeasuredRows(style, m_fixedRows, GetRowCount());
    int width = 0;
    for (int row = first; row <= last; ++row)
        if (m_rowHeights[static_cast<size_t>(row)] > 0)
            width = std::max(width, GetCellExtent(row, col).width);
    m_columnWidths[static_cast<size_t>(col)] = width;
    LayoutChanged();
    Refresh();
    return true;
}

bool GridTable::AutoSizeRow(int row)
{
    if (row < 0 || row >= GetRowCount() || m_rowHeights[static_cast<size_t>(row)] <= 0)
        return false;
    int height = 0;
    for (int col = 0; col < m_columnCount; ++col)
        if (m_columnWidths[static_cast<size_t>(col)] > 0)
            height = std::max(height, GetCellExtent(row, col).height);
    m_rowHeights[static_cast<size_t>(row)] = height;
    LayoutChanged();
    Refresh();
    return true;
}

void GridTable::SetFocusCell(GridCellId cell)
{
    m_focus = IsValid(cell.row, cell.col) ? cell : GridCellId{};
}

bool GridTable::IsCellSelected(int row, int col) const
{
    return m_selected.count({row, col}) != 0;
}

GridCellRange GridTable::GetSelectedRange() const
{
    if (m_selected.empty())
        return {GetRowCount(), m_columnCount, -1, -1};
    GridCellRange range{GetRowCount(), m_columnCount, -1, -1};
    for (const auto& [row, col] : m_selected) {
        range.minRow = std::min(range.minRow, row);
        range.minCol = std::min(range.minCol, col);
        range.maxRow = std::max(range.maxRow, row);
        range.maxCol = std::max(range.maxCol, col);
    }
    return range;
}

void GridTable::ClearSelection()
{
    m_selected.clear();
}

void GridTable::SelectRange(const GridCellRange& range, const std::set<std::pair<int, int>>& kept)
{
    m_selected = kept;
    if (!m_selectionEnabled)
        return;
    int minRow = std::max(std::min(range.minRow, range.maxRow), m_fixedRows);
    int maxRow = std::min(std::max(range.minRow, range.maxRow), GetRowCount() - 1);
    int minCol = std::max(std::min(range.minCol, range.maxCol), m_fixedCols);
    int maxCol = std::min(std::max(range.minCol, range.maxCol), m_columnCount - 1);
    for (int row = minRow; row <= maxRow; ++row)
        for (int col = minCol; col <= maxCol; ++col)
            m_selected.insert({row, col});
}

void GridTable::SelectAllCells()
{
    SelectRange({m_fixedRows, m_fixedCols, GetRowCount() - 1, m_columnCount - 1});
}

void GridTable::DeselectCell(int row, int col)
{
    m_selected.erase({row, col});
}

std::string GridTable::SelectedText() const
{
    GridCellRange range = GetSelectedRange();
    std::string text;
    for (int row = range.minRow; row <= range.maxRow; ++row) {
        for (int col = range.minCol; col <= range.maxCol; ++col) {
            if (col > range.minCol)
                text += '\t';
            if (IsCellSelected(row, col))
                text += GetText(row, col);
        }
        text += "\r\n";
    }
    return text;
}

void GridTable::SetRedraw(bool allow)
{
    m_redrawAllowed = allow;
    if (allow) {
        LayoutChanged();
        Refresh();
    }
}

void GridTable::RedrawRow(int)
{
}

void GridTable::Refresh()
{
}
