// Table operations at the caret: the quick table, and rows and columns
// inserted or deleted around the current cell. Each is one undo step, and
// every cell they create holds an empty paragraph so the caret has a place.
#include "editor/HtmlDocument.h"
#include "html/CellMoves.h"
#include "html/Document.h"
#include "html/Table.h"

using namespace vellum::html;

namespace {

constexpr char16_t kNewCellContent[] = u"<DIV>&nbsp;</DIV>";

Element* RowOf(Element& cell)
{
    Element* parent = cell.ParentElement();
    return parent && parent->HasTagName("TR") ? parent : nullptr;
}

void FillNewCell(Element* cell)
{
    if (cell)
        cell->SetInnerHtml(kNewCellContent);
}

// A table whose last row went is no table any more; leaving the empty
// element behind would keep an invisible block the user cannot reach.
void RemoveIfEmpty(Element& table)
{
    if (TableRows(table).empty())
        table.Remove();
}

} // namespace

bool CHtmlDocument::InsertTable(int rows, int columns)
{
    if (rows <= 0 || columns <= 0)
        return false;
    std::u16string html = u"<TABLE border=1 cellpadding=3>";
    for (int row = 0; row < rows; ++row) {
        html += u"<TR>";
        for (int column = 0; column < columns; ++column)
            html += u"<TD><DIV>&nbsp;</DIV></TD>";
        html += u"</TR>";
    }
    html += u"</TABLE>";
    if (!InsertHTML(html))
        return false;
    EnterTableBeforeCaret(*GetDocument());
    return true;
}

bool CHtmlDocument::InsertRow(bool below)
{
    Element* cell = GetCurrentCell();
    Element* row = cell ? RowOf(*cell) : nullptr;
    Element* table = row ? TableOf(*row) : nullptr;
    if (!table)
        return false;
    Document::EditStep step(*GetDocument(), "insert row");
    int columns = ColumnCount(*table);
    Element* newRow = vellum::html::InsertRow(*table, RowIndex(*row) + (below ? 1 : 0));
    if (!newRow)
        return false;
    for (int column = 0; column < columns; ++column)
        FillNewCell(InsertCell(*newRow, -1));
    return true;
}

bool CHtmlDocument::InsertColumn(bool right)
{
    Element* cell = GetCurrentCell();
    Element* table = cell ? TableOf(*cell) : nullptr;
    if (!table || !RowOf(*cell))
        return false;
    Document::EditStep step(*GetDocument(), "insert column");
    int index = CellIndex(*cell) + (right ? 1 : 0);
    for (Element* row : TableRows(*table)) {
        // A short row gets its cell at its end.
        int at = index <= static_cast<int>(RowCells(*row).size()) ? index : -1;
        FillNewCell(InsertCell(*row, at));
    }
    return true;
}

bool CHtmlDocument::DeleteRow()
{
    Element* cell = GetCurrentCell();
    Element* row = cell ? RowOf(*cell) : nullptr;
    Element* table = row ? TableOf(*row) : nullptr;
    if (!table)
        return false;
    Document::EditStep step(*GetDocument(), "delete row");
    if (!vellum::html::DeleteRow(*table, RowIndex(*row)))
        return false;
    RemoveIfEmpty(*table);
    return true;
}

bool CHtmlDocument::DeleteColumn()
{
    Element* cell = GetCurrentCell();
    Element* table = cell ? TableOf(*cell) : nullptr;
    if (!table || !RowOf(*cell))
        return false;
    Document::EditStep step(*GetDocument(), "delete column");
    int index = CellIndex(*cell);
    for (Element* row : TableRows(*table)) {
        vellum::html::DeleteCell(*row, index);
        if (RowCells(*row).empty())
            row->Remove();
    }
    RemoveIfEmpty(*table);
    return true;
}
