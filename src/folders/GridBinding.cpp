// The grid binding: statement text, header row, the paged fill and cell
// access by name. Fill reads the result by position, so the grid's columns
// line up with the select list whatever names the database gives them.
#include "folders/GridBinding.h"

#include "base/IniDocument.h"
#include "base/LeadingNumber.h"
#include "base/NameCompare.h"
#include "base/TextHelpers.h"
#include "grid/GridTable.h"
#include "store/DbRecordset.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr GridColour GridBackground = 15788232;  // red 200, green 232, blue 240
constexpr GridColour FixedBackground = 14730375; // red 135, green 196, blue 224
constexpr int DataRowHeight = 20;
constexpr int CellMargin = 2;

void SetFixedBackground(GridTable& grid, GridColour colour)
{
    grid.GetDefaultCell(true, false)->SetBackClr(colour);
    grid.GetDefaultCell(false, true)->SetBackClr(colour);
    grid.GetDefaultCell(true, true)->SetBackClr(colour);
}

} // namespace

void CGridBinding::AttachGrid(GridTable* grid)
{
    m_grid = grid;
    if (!m_grid || !m_grid->HasWindow())
        return;
    ApplyColours();
}

void CGridBinding::ApplyColours()
{
    m_grid->SetGridBkColor(GridBackground);
    SetFixedBackground(*m_grid, FixedBackground);

    CIniDocument profile;
    profile.Load(GetModuleDir() + "uiprofile.ini");
    std::string back = profile.Get("DataGrid", "BackColor").value_or("");
    if (!back.empty())
        m_grid->SetGridBkColor(static_cast<GridColour>(LeadingInt(back)));
    std::string fixed = profile.Get("DataGrid", "FixedColor").value_or("");
    if (!fixed.empty())
        SetFixedBackground(*m_grid, static_cast<GridColour>(LeadingInt(fixed)));
}

void CGridBinding::AddColumn(const std::string& field, const char* title)
{
    m_fields.push_back(field);
    if (title)
        m_titles[field] = title;
}

const char* CGridBinding::BuildSelect()
{
    if (m_fields.empty())
        return nullptr;
    std::string sql = "select ";
    for (const std::string& field : m_fields)
        sql += field + ",";
    while (!sql.empty() && sql.back() == ',')
        sql.pop_back();
    sql += " from " + m_table;
    for (size_t i = 0; i < m_conditions.size(); ++i)
        sql += (i == 0 ? " where " : " and ") + m_conditions[i];
    sql += " " + m_order;
    m_statement = std::move(sql);
    return m_statement.c_str();
}

int CGridBinding::SetupColumns()
{
    if (!m_grid)
        return 0;
    m_grid->SetFixedRowCount(1);
    m_grid->SetColumnCount(static_cast<int>(m_fields.size()));
    for (size_t i = 0; i < m_fields.size(); ++i) {
        auto title = m_titles.find(m_fields[i]);
        m_grid->SetText(0, static_cast<int>(i),
                        title != m_titles.end() ? title->second : m_fields[i]);
    }
    m_grid->SizeColumnsToContent(GridAutoSizeDefault);
    m_grid->RedrawRow(0);
    return 1;
}

int CGridBinding::Fill(CDbSession* session)
{
    m_session = session;
    if (!m_session || !m_grid)
        return -1;
    const char* statement = BuildSelect();
    if (!statement)
        return -2;
    for (int kind = 0; kind < 4; ++kind)
        m_grid->GetDefaultCell(kind & 1, kind & 2)->SetMargin(CellMargin);
    return FillRows(session, statement);
}

namespace {

// SQL NULL is an empty cell and floating values get three decimals; every
// other value is the database layer's own text.
std::string CellTextOf(CDbRecordset& records, int index, bool& failed)
{
    std::string before = records.GetLastErrorText();
    bool real = records.IsFieldReal(index);
    const char* value = records.GetFieldValueAt(index);
    if (!value) {
        failed = records.GetLastErrorText() != before;
        return {};
    }
    if (!real)
        return value;
    char text[64];
    std::snprintf(text, sizeof text, "%0.3f", std::strtod(value, nullptr));
    return text;
}

// Keeps a grid from laying out and repainting for every row a fill adds; it
// does both once when the fill ends, however it ends.
class RedrawPause
{
public:
    explicit RedrawPause(GridTable* grid) : m_grid(grid), m_wasAllowed(grid->IsRedrawAllowed())
    {
        m_grid->SetRedraw(false);
    }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;
    ~RedrawPause()
    {
        if (m_wasAllowed)
            m_grid->SetRedraw(true);
    }

private:
    GridTable* m_grid;
    bool m_wasAllowed;
};

} // namespace

int CGridBinding::FillRows(CDbSession* session, const std::string& statement)
{
    CDbRecordset records;
    records.Attach(session);
    records.SetMaxRecords((m_page + 1) * m_pageSize);
    if (!records.Open(statement.c_str())) {
        m_lastError = records.GetLastErrorText();
        return -3;
    }
    RedrawPause pause(m_grid);
    m_grid->DeleteDataRows();
    auto fail = [&] {
        m_lastError = records.GetLastErrorText();
        m_grid->Refresh();
        return -3;
    };
    for (int skipped = 0; skipped < m_page * m_pageSize && !records.IsEOF(); ++skipped)
        if (!records.MoveNext())
            return fail();
    const int fields = records.GetFieldCount();
    const int columns = m_grid->GetColumnCount();
    for (int shown = 0; shown < m_pageSize && !records.IsEOF(); ++shown) {
        int row = m_grid->InsertRow("X", -1);
        m_grid->SetRowHeight(row, DataRowHeight);
        for (int i = 0; i < fields; ++i) {
            bool failed = false;
            std::string text = CellTextOf(records, i, failed);
            if (failed)
                return fail();
            if (i < columns)
                m_grid->SetText(row, i, text);
        }
        if (!records.MoveNext())
            return fail();
    }
    records.Close();
    m_grid->Refresh();
    return 1;
}

int CGridBinding::FindColumn(const std::string& name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (SameNameIgnoringCase(m_fields[i], name))
            return static_cast<int>(i);
        auto title = m_titles.find(m_fields[i]);
        if (title != m_titles.end() && SameNameIgnoringCase(title->second, name))
            return static_cast<int>(i);
    }
    return -1;
}

const char* CGridBinding::GetCellText(int row, const std::string& name)
{
    int col = FindColumn(name);
    if (!m_grid || col < 0)
        return nullptr;
    m_cellText = m_grid->GetText(row, col);
    return m_cellText.c_str();
}

int CGridBinding::SetCellText(int row, const std::string& name, const std::string& text)
{
    int col = FindColumn(name);
    if (!m_grid || col < 0)
        return -1;
    m_grid->SetText(row, col, text);
    return 1;
}
