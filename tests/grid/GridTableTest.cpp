// The grid's table rules, checked on the text grid: no window, no pixels.
#include "grid/GridTable.h"

#include <gtest/gtest.h>

namespace {

// A grid as the folder views set it up: one header row, list mode.
struct HeaderGrid : GridTable
{
    explicit HeaderGrid(int cols, int dataRows) : GridTable(0, cols, 0, 0)
    {
        SetFixedRowCount(1);
        // Appending, not "r" + std::to_string(...): GCC 12 reports a false
        // -Wrestrict on that form at -O3.
        for (int row = 0; row < dataRows; ++row)
            InsertRow(std::string("r").append(std::to_string(row + 1)));
    }
};

TEST(GridTable, InsertRowRefusesHeaderAndFarPositionsAndShiftsFocus)
{
    HeaderGrid grid(3, 0);
    EXPECT_EQ(grid.InsertRow("", 0), -1) << "position inside the fixed rows";
    EXPECT_EQ(grid.InsertRow("", 1), -1) << "position not below the row count";
    EXPECT_EQ(grid.GetRowCount(), 1);

    EXPECT_EQ(grid.InsertRow("first", -1), 1);
    EXPECT_EQ(grid.InsertRow("second", -1), 2);
    grid.SetFocusCell({2, 1});
    EXPECT_EQ(grid.InsertRow("top", 1), 1);
    EXPECT_EQ(grid.GetText(1, 0), "top");
    EXPECT_EQ(grid.GetText(2, 0), "first");
    EXPECT_EQ(grid.GetFocusCell(), (GridCellId{3, 1})) << "focus follows its row down";
    EXPECT_EQ(grid.InsertRow("below", 3), 3);
    EXPECT_EQ(grid.GetFocusCell(), (GridCellId{4, 1}));
    EXPECT_EQ(grid.GetRowCount(), 5);
}

TEST(GridTable, InsertRowSizesTheRowFromItsHeadingAndMakesAColumn)
{
    GridTable grid;
    EXPECT_EQ(grid.GetColumnCount(), 0);
    EXPECT_EQ(grid.InsertRow("", -1), 0);
    EXPECT_EQ(grid.GetColumnCount(), 1) << "a row needs at least one column";
    EXPECT_EQ(grid.GetRowHeight(0), grid.GetDefaultCell(true, false)->GetHeight());

    grid.GetDefaultCell(true, false)->SetHeight(33);
    EXPECT_EQ(grid.InsertRow("", -1), 1);
    EXPECT_EQ(grid.GetRowHeight(1), 33);
    EXPECT_EQ(grid.InsertRow("X", -1), 2);
    EXPECT_EQ(grid.GetRowHeight(2), 16) << "height of the heading's text extent";
}

TEST(GridTable, DeleteRowClearsOrMovesTheFocusAndFixedCount)
{
    HeaderGrid grid(2, 5);
    EXPECT_EQ(grid.DeleteRow(6), 0);
    EXPECT_EQ(grid.DeleteRow(-1), 0);
    EXPECT_EQ(grid.GetRowCount(), 6);

    grid.SetFocusCell({4, 1});
    EXPECT_EQ(grid.DeleteRow(2), 1);
    EXPECT_EQ(grid.GetFocusCell(), (GridCellId{3, 1})) << "row above the focus went away";
    EXPECT_EQ(grid.GetText(3, 0), "r4");
    EXPECT_EQ(grid.DeleteRow(4), 1);
    EXPECT_EQ(grid.GetFocusCell(), (GridCellId{3, 1})) << "row below the focus changes nothing";
    EXPECT_EQ(grid.DeleteRow(3), 1);
    EXPECT_EQ(grid.GetFocusCell(), GridCellId{}) << "the focus row itself went away";

    EXPECT_EQ(grid.DeleteRow(0), 1);
    EXPECT_EQ(grid.GetFixedRowCount(), 0) << "deleting the header row lowers the fixed count";
}

TEST(GridTable, DeleteDataRowsKeepsTheHeader)
{
    HeaderGrid grid(3, 4);
    grid.SetText(0, 1, "title");
    grid.SelectAllCells();
    grid.SetFocusCell({2, 2});
    EXPECT_EQ(grid.DeleteDataRows(), 1);
    EXPECT_EQ(grid.GetRowCount(), 1);
    EXPECT_EQ(grid.GetText(0, 1), "title");
    EXPECT_EQ(grid.GetSelectedCount(), 0);
    EXPECT_EQ(grid.GetFocusCell(), GridCellId{});
}

TEST(GridTable, FixedRowCountGrowsTheTableClearsFocusAndResetsColours)
{
    GridTable grid(3, 2);
    grid.SetBackColour(1, 0, 0x0000FF);
    grid.SetFocusCell({1, 1});
    EXPECT_EQ(grid.SetFixedRowCount(2), 1);
    EXPECT_EQ(grid.GetFocusCell(), GridCellId{});
    EXPECT_EQ(grid.GetBackColour(1, 0), CLR_DEFAULT);
    EXPECT_EQ(grid.EffectiveBackColour(1, 0), grid.GetDefaultCell(true, false)->GetBackClr());

    EXPECT_EQ(grid.SetFixedRowCount(5), 1);
    EXPECT_EQ(grid.GetRowCount(), 5);
    EXPECT_EQ(grid.SetFixedRowCount(-1), 0);
    EXPECT_EQ(grid.GetState(4, 1), unsigned(GridStateFixed | GridStateFixedRow));
}

TEST(GridTable, ColumnCountChangesFocusFixedColumnsAndWidths)
{
    GridTable grid(2, 4, 0, 3);
    grid.GetDefaultCell(false, true)->SetWidth(77);
    grid.SetFocusCell({1, 3});
    EXPECT_EQ(grid.SetColumnCount(2), 1);
    EXPECT_EQ(grid.GetFocusCell(), GridCellId{});
    EXPECT_EQ(grid.GetFixedColumnCount(), 2);
    EXPECT_EQ(grid.SetColumnCount(3), 1);
    EXPECT_EQ(grid.GetColumnWidth(2), 77) << "new columns take the fixed-column default width";
    EXPECT_EQ(grid.GetText(1, 2), "");
    EXPECT_EQ(grid.SetColumnCount(-2), 0);
    EXPECT_EQ(grid.GetColumnCount(), 3);
}

TEST(GridTable, OutOfRangeAccessChangesNothing)
{
    HeaderGrid grid(2, 1);
    EXPECT_EQ(grid.SetText(2, 0, "x"), 0);
    EXPECT_EQ(grid.SetText(0, 2, "x"), 0);
    EXPECT_EQ(grid.GetText(9, 9), "");
    EXPECT_EQ(grid.SetRowHeight(2, 10), 0);
    EXPECT_EQ(grid.SetRowHeight(1, -1), 0);
    EXPECT_EQ(grid.SetColumnWidth(2, 10), 0);
    EXPECT_EQ(grid.GetRowHeight(5), -1);
    EXPECT_EQ(grid.GetColumnWidth(-1), -1);
    EXPECT_EQ(grid.SetTextColour(3, 0, 0), 0);
    EXPECT_EQ(grid.SetBackColour(0, 3, 0), 0);
    EXPECT_EQ(grid.GetState(3, 3), 0u);
    EXPECT_FALSE(grid.IsModified());
}

TEST(GridTable, SetTextMarksCellAndGridModifiedAndDropsTheSortColumn)
{
    HeaderGrid grid(3, 2);
    grid.SetSortColumn(1);
    EXPECT_EQ(grid.SetText(1, 2, "a"), 1);
    EXPECT_EQ(grid.GetSortColumn(), 1);
    EXPECT_EQ(grid.SetText(2, 1, "b"), 1);
    EXPECT_EQ(grid.GetSortColumn(), -1);
    EXPECT_TRUE(grid.IsModified());
    EXPECT_EQ(grid.GetState(2, 1) & GridStateModified, GridStateModified);
    EXPECT_EQ(grid.GetState(1, 1) & GridStateModified, 0u);
}

TEST(GridTable, SizeColumnsToContentMeasuresOnlyTheRowsTheStyleNames)
{
    HeaderGrid grid(2, 2);
    grid.SetText(0, 1, "ab");
    grid.SetText(1, 1, "abcdef");
    grid.SetText(2, 1, "abcd");
    grid.SetRowHeight(2, 0);
    const int margin = grid.GetDefaultCell(false, false)->GetMargin();

    grid.SizeColumnsToContent(GridAutoSizeHeader);
    EXPECT_EQ(grid.GetColumnWidth(1), 2 * 8 + 2 * margin);
    grid.SizeColumnsToContent(GridAutoSizeData);
    EXPECT_EQ(grid.GetColumnWidth(1), 6 * 8 + 2 * margin);
    EXPECT_EQ(grid.GetRowHeight(2), 0) << "a hidden row stays hidden and is not measured";
    grid.SetText(2, 1, "a much longer text than any other");
    grid.SizeColumnsToContent(GridAutoSizeBoth);
    EXPECT_EQ(grid.GetColumnWidth(1), 6 * 8 + 2 * margin);
}

TEST(GridTable, SelectedTextJoinsCellsWithTabsAndRowsWithCrLf)
{
    HeaderGrid grid(2, 2);
    grid.SetText(1, 1, "b1");
    grid.SetText(2, 1, "b2");
    grid.SelectRange({1, 0, 2, 1});
    EXPECT_EQ(grid.SelectedText(), "r1\tb1\r\nr2\tb2\r\n");
}

} // namespace
