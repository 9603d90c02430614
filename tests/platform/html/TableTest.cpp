// Table rows and cells: listing, indexes, insertion and deletion at the
// first, middle and last index, and undo of each.
#include "platform/html/Table.h"

#include "HtmlTestSupport.h"

using namespace vellum;
using namespace vellum::html;
using namespace vellum::html::testing;

namespace {

const char* kTable = "<TABLE><TBODY><TR><TD>a1</TD><TD>a2</TD><TD>a3</TD></TR>"
                     "<TR><TD>b1</TD><TD>b2</TD><TD>b3</TD></TR>"
                     "<TR><TD>c1</TD><TD>c2</TD><TD>c3</TD></TR></TBODY></TABLE>";

Element* TheTable(Document& document)
{
    return document.GetElementsByTagName("TABLE").at(0);
}

std::string RowTexts(Element& table)
{
    std::string out;
    for (Element* row : TableRows(table)) {
        for (Element* cell : RowCells(*row))
            out += Utf8(cell->TextContent()) + ",";
        out += "|";
    }
    return out;
}

// What the table's rows and its row's cells read after a change at `index`.
struct Case
{
    int index;
    std::string rows;
    std::string cells;
};

} // namespace

TEST(HtmlTables, RowsCellsAndTheirIndexes)
{
    Document document;
    LoadBody(document, "<TABLE><THEAD><TR><TH>h</TH></TR></THEAD><TBODY><TR><TD>x</TD><TD>"
                       "<TABLE><TR><TD>inner</TD></TR></TABLE></TD></TR></TBODY></TABLE>");
    Element* outer = TheTable(document);
    std::vector<Element*> rows = TableRows(*outer);
    ASSERT_EQ(rows.size(), 2u); // the nested table's row is not the outer table's
    EXPECT_EQ(RowIndex(*rows[1]), 1);
    std::vector<Element*> cells = RowCells(*rows[1]);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(CellIndex(*cells[1]), 1);
    EXPECT_EQ(RowCells(*rows[0]).size(), 1u); // TH counts as a cell
    EXPECT_EQ(ColumnCount(*outer), 2);
    Element* inner = document.GetElementsByTagName("TABLE").at(1);
    EXPECT_EQ(TableOf(*FindText(document, "inner")->ParentElement()), inner);
    EXPECT_EQ(RowIndex(*TableRows(*inner)[0]), 0);
    EXPECT_EQ(CellIndex(*outer), -1);
    EXPECT_EQ(RowIndex(*document.Body()), -1);
}

// A row goes into the table, a cell into its second row; -1 appends.
TEST(HtmlTables, InsertRowsAndCellsAtFirstMiddleAndLast)
{
    const Case cases[] = {
        {0, "|a1,a2,a3,|b1,b2,b3,|c1,c2,c3,|", "a1,a2,a3,|,b1,b2,b3,|c1,c2,c3,|"},
        {1, "a1,a2,a3,||b1,b2,b3,|c1,c2,c3,|", "a1,a2,a3,|b1,,b2,b3,|c1,c2,c3,|"},
        {3, "a1,a2,a3,|b1,b2,b3,|c1,c2,c3,||", "a1,a2,a3,|b1,b2,b3,,|c1,c2,c3,|"},
        {-1, "a1,a2,a3,|b1,b2,b3,|c1,c2,c3,||", "a1,a2,a3,|b1,b2,b3,,|c1,c2,c3,|"},
    };
    for (const Case& c : cases) {
        Document document;
        LoadBody(document, kTable);
        Element* row = InsertRow(*TheTable(document), c.index);
        ASSERT_NE(row, nullptr) << c.index;
        EXPECT_TRUE(row->HasTagName("TR")) << c.index;
        EXPECT_EQ(RowTexts(*TheTable(document)), c.rows) << c.index;
        EXPECT_EQ(row->Parent()->AsElement()->TagName(), "TBODY") << c.index;
        ASSERT_TRUE(document.Undo());
        Element* cell = InsertCell(*TableRows(*TheTable(document))[1], c.index);
        ASSERT_NE(cell, nullptr) << c.index;
        EXPECT_TRUE(cell->HasTagName("TD")) << c.index;
        EXPECT_EQ(RowTexts(*TheTable(document)), c.cells) << c.index;
        ASSERT_TRUE(document.Undo());
        EXPECT_EQ(BodyHtml(document), kTable) << c.index;
    }
    Document document;
    LoadBody(document, kTable);
    EXPECT_EQ(InsertRow(*TheTable(document), 4), nullptr);
    EXPECT_EQ(InsertRow(*TheTable(document), -2), nullptr);
    EXPECT_EQ(InsertRow(*document.Body(), 0), nullptr);
    EXPECT_EQ(InsertCell(*TableRows(*TheTable(document))[0], 5), nullptr);
    EXPECT_EQ(BodyHtml(document), kTable);
    // A table without rows gets a new TBODY for its first.
    LoadBody(document, "<TABLE></TABLE>");
    ASSERT_NE(InsertCell(*InsertRow(*TheTable(document), 0), 0), nullptr);
    EXPECT_EQ(BodyHtml(document), "<TABLE><TBODY><TR><TD></TD></TR></TBODY></TABLE>");
}

TEST(HtmlTables, DeleteRowsAndCells)
{
    const Case cases[] = {
        {0, "b1,b2,b3,|c1,c2,c3,|", "a2,a3,|b1,b2,b3,|c1,c2,c3,|"},
        {1, "a1,a2,a3,|c1,c2,c3,|", "a1,a3,|b1,b2,b3,|c1,c2,c3,|"},
        {2, "a1,a2,a3,|b1,b2,b3,|", "a1,a2,|b1,b2,b3,|c1,c2,c3,|"},
    };
    for (const Case& c : cases) {
        Document document;
        LoadBody(document, kTable);
        ASSERT_TRUE(DeleteRow(*TheTable(document), c.index));
        EXPECT_EQ(RowTexts(*TheTable(document)), c.rows) << c.index;
        ASSERT_TRUE(document.Undo());
        ASSERT_TRUE(DeleteCell(*TableRows(*TheTable(document))[0], c.index));
        EXPECT_EQ(RowTexts(*TheTable(document)), c.cells) << c.index;
        ASSERT_TRUE(document.Undo());
        EXPECT_EQ(BodyHtml(document), kTable) << c.index;
    }
    Document document;
    LoadBody(document, kTable);
    EXPECT_FALSE(DeleteRow(*TheTable(document), 3));
    EXPECT_FALSE(DeleteRow(*TheTable(document), -1));
    EXPECT_FALSE(DeleteCell(*TableRows(*TheTable(document))[0], 3));
}
