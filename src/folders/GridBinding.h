// CGridBinding: joins a folder view's grid to one select statement.
//
// The view declares the table, the fields with their header titles, the
// conditions and the order; the binding writes the header row, runs the
// select on the host's session and puts one grid row per result row, at most
// one page of 200. Afterwards cells are read and written by field or title.
// The binding works on any GridTable: the grid window CGridCtrl in the views,
// a text grid in `vellum list`. It never owns the grid or the session.
#pragma once

#include <map>
#include <string>
#include <vector>

class CDbSession;
class GridTable;

class CGridBinding
{
public:
    // Remembers the grid and, when it has a window, applies the colours
    // (the built-in ones, then [DataGrid] of "uiprofile.ini").
    void AttachGrid(GridTable* grid);
    GridTable* GetGrid() const { return m_grid; }

    void SetTable(const std::string& table) { m_table = table; }
    // A null title means none: the header then shows the field text. An empty
    // title is a title.
    void AddColumn(const std::string& field, const char* title = nullptr);
    void AddWhere(const std::string& condition) { m_conditions.push_back(condition); }
    void ClearWhere() { m_conditions.clear(); }
    void SetOrder(const std::string& order) { m_order = order; }

    // The select statement, or null when no field was added. The text stays
    // valid until the next BuildSelect.
    const char* BuildSelect();
    const std::string& GetStatement() const { return m_statement; }

    // One header row with the titles, columns sized to them; 0 without grid.
    int SetupColumns();

    // 1 filled; -1 no session or no grid; -2 no fields; -3 database error
    // (GetLastErrorText). A failing query leaves the grid's rows alone.
    int Fill(CDbSession* session);

    // The column of the first field whose text, or else whose title, equals
    // the name without regard to letter case; -1 when none.
    int FindColumn(const std::string& name) const;
    // Null when there is no grid or no such column; the text stays valid
    // until the next GetCellText.
    const char* GetCellText(int row, const std::string& name);
    // 1, or -1 when there is no grid or no such column.
    int SetCellText(int row, const std::string& name, const std::string& text);

    const std::string& GetLastErrorText() const { return m_lastError; }
    int GetPageSize() const { return m_pageSize; }

private:
    void ApplyColours();
    int FillRows(CDbSession* session, const std::string& statement);

    int m_pageSize = 200;
    int m_page = 0;
    std::string m_lastError;
    CDbSession* m_session = nullptr;
    GridTable* m_grid = nullptr;
    std::string m_table;
    std::string m_statement;
    std::string m_cellText;
    std::string m_order;
    std::vector<std::string> m_fields;
    std::vector<std::string> m_conditions;
    std::map<std::string, std::string> m_titles;
};
