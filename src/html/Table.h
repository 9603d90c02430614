// Rows and cells of HTML tables, as the browser's table object model gave
// them to the editor: a table's rows in order (through THEAD, TBODY and
// TFOOT, never those of a nested table), a row's cells, their indexes, and
// inserting or deleting one at an index. Each change is recorded for undo.
#pragma once

#include <vector>

namespace vellum::html {

class Element;

std::vector<Element*> TableRows(const Element& table);
std::vector<Element*> RowCells(const Element& row);
// The table a row or cell belongs to (the nearest TABLE above it).
Element* TableOf(const Element& element);
// Index among the table's rows or the row's cells; -1 when not in one.
int RowIndex(const Element& row);
int CellIndex(const Element& cell);
// The largest number of cells in any row.
int ColumnCount(const Element& table);

// A new empty TR at `index` (-1 or the row count: at the end), in the same
// section as the row it goes before; a table without sections gets a TBODY.
// Null when the index is out of range or the element is not a TABLE.
Element* InsertRow(Element& table, int index);
// A new empty TD at `index` (-1 or the cell count: at the end).
Element* InsertCell(Element& row, int index);
bool DeleteRow(Element& table, int index);
bool DeleteCell(Element& row, int index);

} // namespace vellum::html
