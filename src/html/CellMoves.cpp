// Moving between table cells by keyboard. Cells are taken in the order the
// table's rows give them, so a nested table's cells belong to the nested
// table only: Tab inside it walks that table, never the one around it.
#include "html/CellMoves.h"

#include "html/Document.h"
#include "html/Table.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace vellum::html {

namespace {

bool IsCellElement(const Element& element)
{
    return element.HasTagName("TD") || element.HasTagName("TH");
}

std::vector<Element*> CellsInReadingOrder(const Element& table)
{
    std::vector<Element*> cells;
    for (Element* row : TableRows(table))
        for (Element* cell : RowCells(*row))
            cells.push_back(cell);
    return cells;
}

// The start of the cell's first text, so that typing there replaces a new
// cell's placeholder space and the caret sits on the cell's first line.
Position StartOfCell(Element& cell)
{
    Node* node = &cell;
    while (node->IsElement() && node->FirstChild())
        node = node->FirstChild();
    if (node->IsText())
        return {node, 0};
    return {node == &cell ? node : node->Parent(), 0};
}

Element* CellAtCaret(Document& document)
{
    const Selection& selection = document.GetSelection();
    if (!selection.IsTextRange())
        return nullptr;
    return EnclosingCell(selection.GetRange().start.node);
}

// A row shaped like `model`: as many cells, each keeping the model cell's
// attributes (widths, spans, alignment) and holding one no-break space so
// that it keeps its height until something is typed into it.
Element* AppendRowLike(Element& table, const Element& model)
{
    Element* row = InsertRow(table, -1);
    if (!row)
        return nullptr;
    Document& document = table.OwnerDocument();
    for (const Element* modelCell : RowCells(model)) {
        Element* cell = InsertCell(*row, -1);
        for (const Attribute& attribute : modelCell->Attributes())
            cell->SetAttribute(attribute.name, attribute.value);
        cell->AppendChild(document.CreateTextNode(u"\u00A0"));
    }
    return row;
}

// The caret's cell, its table, the table's cells in reading order and the
// cell's index among them (cells.size() when it is not one of them).
struct CellPlace
{
    Element* cell;
    Element* table;
    std::vector<Element*> cells;
    std::size_t index;
};

std::optional<CellPlace> CaretCellPlace(Document& document)
{
    Element* cell = CellAtCaret(document);
    Element* table = cell ? TableOf(*cell) : nullptr;
    if (!table)
        return std::nullopt;
    std::vector<Element*> cells = CellsInReadingOrder(*table);
    std::size_t index = static_cast<std::size_t>(
        std::find(cells.begin(), cells.end(), cell) - cells.begin());
    return CellPlace{cell, table, std::move(cells), index};
}

} // namespace

Element* EnclosingCell(Node* node)
{
    for (; node; node = node->Parent()) {
        Element* element = node->AsElement();
        if (element && IsCellElement(*element))
            return element;
    }
    return nullptr;
}

bool MoveToNextCell(Document& document)
{
    std::optional<CellPlace> place = CaretCellPlace(document);
    if (!place)
        return false;
    if (place->index + 1 < place->cells.size()) {
        document.SetSelection(Selection::Caret(StartOfCell(*place->cells[place->index + 1])));
        return true;
    }
    Element* lastRow = place->cell->ParentElement();
    if (!lastRow || !lastRow->HasTagName("TR"))
        return false;
    Document::EditStep step(document, "insert row");
    Element* row = AppendRowLike(*place->table, *lastRow);
    std::vector<Element*> newCells = row ? RowCells(*row) : std::vector<Element*>{};
    if (newCells.empty())
        return false;
    document.SetSelection(Selection::Caret(StartOfCell(*newCells.front())));
    return true;
}

bool MoveToPreviousCell(Document& document)
{
    std::optional<CellPlace> place = CaretCellPlace(document);
    if (!place)
        return false;
    if (place->index > 0 && place->index < place->cells.size())
        document.SetSelection(Selection::Caret(StartOfCell(*place->cells[place->index - 1])));
    return true;
}

bool EnterTableBeforeCaret(Document& document)
{
    const Selection& selection = document.GetSelection();
    if (!selection.IsCaret())
        return false;
    Position after = selection.GetRange().start;
    Node* before = after.offset > 0 ? after.node->ChildAt(after.offset - 1) : nullptr;
    Element* table = before ? before->AsElement() : nullptr;
    if (!table || !table->HasTagName("TABLE"))
        return false;
    std::vector<Element*> cells = CellsInReadingOrder(*table);
    if (cells.empty())
        return false;
    document.SetSelection(Selection::Caret(StartOfCell(*cells.front())));
    return true;
}

} // namespace vellum::html
