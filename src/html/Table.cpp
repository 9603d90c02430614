// Table structure on top of the plain element tree.
#include "html/Table.h"

#include "html/Document.h"

namespace vellum::html {

namespace {

bool IsSection(const Node* node)
{
    const Element* element = node->AsElement();
    return element && (element->HasTagName("TBODY") || element->HasTagName("THEAD") ||
                       element->HasTagName("TFOOT"));
}

bool HasTag(const Node* node, const char* tag)
{
    return node->IsElement() && node->AsElement()->HasTagName(tag);
}

} // namespace

std::vector<Element*> TableRows(const Element& table)
{
    std::vector<Element*> rows;
    for (Node* child : table.Children()) {
        if (HasTag(child, "TR")) {
            rows.push_back(child->AsElement());
            continue;
        }
        if (!IsSection(child))
            continue;
        for (Node* row : child->Children())
            if (HasTag(row, "TR"))
                rows.push_back(row->AsElement());
    }
    return rows;
}

std::vector<Element*> RowCells(const Element& row)
{
    std::vector<Element*> cells;
    for (Node* child : row.Children())
        if (HasTag(child, "TD") || HasTag(child, "TH"))
            cells.push_back(child->AsElement());
    return cells;
}

Element* TableOf(const Element& element)
{
    for (Element* up = element.ParentElement(); up; up = up->ParentElement())
        if (up->HasTagName("TABLE"))
            return up;
    return nullptr;
}

int RowIndex(const Element& row)
{
    Element* table = TableOf(row);
    if (!table)
        return -1;
    std::vector<Element*> rows = TableRows(*table);
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i] == &row)
            return static_cast<int>(i);
    return -1;
}

int CellIndex(const Element& cell)
{
    Element* row = cell.ParentElement();
    if (!row || !row->HasTagName("TR"))
        return -1;
    std::vector<Element*> cells = RowCells(*row);
    for (std::size_t i = 0; i < cells.size(); ++i)
        if (cells[i] == &cell)
            return static_cast<int>(i);
    return -1;
}

int ColumnCount(const Element& table)
{
    std::size_t columns = 0;
    for (Element* row : TableRows(table))
        columns = std::max(columns, RowCells(*row).size());
    return static_cast<int>(columns);
}

Element* InsertRow(Element& table, int index)
{
    if (!table.HasTagName("TABLE"))
        return nullptr;
    std::vector<Element*> rows = TableRows(table);
    if (index == -1)
        index = static_cast<int>(rows.size());
    if (index < 0 || index > static_cast<int>(rows.size()))
        return nullptr;
    Document& document = table.OwnerDocument();
    Document::EditStep step(document, "insert row");
    Element* row = document.CreateElement("TR");
    if (index < static_cast<int>(rows.size())) {
        Element* next = rows[static_cast<std::size_t>(index)];
        next->Parent()->InsertBefore(row, next);
    } else if (!rows.empty()) {
        Element* last = rows.back();
        last->Parent()->InsertAfter(row, last);
    } else {
        Element* body = document.CreateElement("TBODY");
        table.AppendChild(body);
        body->AppendChild(row);
    }
    return row;
}

Element* InsertCell(Element& row, int index)
{
    if (!row.HasTagName("TR"))
        return nullptr;
    std::vector<Element*> cells = RowCells(row);
    if (index == -1)
        index = static_cast<int>(cells.size());
    if (index < 0 || index > static_cast<int>(cells.size()))
        return nullptr;
    Element* cell = row.OwnerDocument().CreateElement("TD");
    if (index < static_cast<int>(cells.size()))
        row.InsertBefore(cell, cells[static_cast<std::size_t>(index)]);
    else if (!cells.empty())
        row.InsertAfter(cell, cells.back());
    else
        row.AppendChild(cell);
    return cell;
}

bool DeleteRow(Element& table, int index)
{
    std::vector<Element*> rows = TableRows(table);
    if (index < 0 || index >= static_cast<int>(rows.size()))
        return false;
    rows[static_cast<std::size_t>(index)]->Remove();
    return true;
}

bool DeleteCell(Element& row, int index)
{
    std::vector<Element*> cells = RowCells(row);
    if (index < 0 || index >= static_cast<int>(cells.size()))
        return false;
    cells[static_cast<std::size_t>(index)]->Remove();
    return true;
}

} // namespace vellum::html
