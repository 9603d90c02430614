// Mouse, keyboard and wheel rules of the grid, driven with client points on
// a table of known sizes: four columns 50 wide, a 20 pixel header row and
// data rows of 20 pixels in a 200 by 120 window (five data rows show). Then
// the grid window offscreen, under a parent that takes its notifications:
// wheel and scroll bar in step, and the cell tip.
#include "grid/GridInput.h"

#include "grid/GridCtrl.h"
#include "platform/ui/Application.h"
#include "platform/ui/CommandTarget.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <vector>

namespace {

using Notice = std::tuple<int, int, int>;

struct GridListMode : ::testing::Test
{
    GridTable table{0, 4};
    GridViewport viewport{table};
    std::vector<Notice> notices;
    GridInput input{table, viewport,
                    [this](int code, int row, int col) { notices.emplace_back(code, row, col); }};

    void SetUp() override
    {
        table.SetFixedRowCount(1);
        for (int col = 0; col < 4; ++col)
            table.SetColumnWidth(col, 50);
        table.SetRowHeight(0, 20);
        for (int row = 1; row <= 12; ++row)
            table.SetRowHeight(table.InsertRow("X"), 20);
        table.SetListMode(true);
        table.SetEditable(false);
        viewport.SetClientSize(200, 120);
    }

    // The middle of a shown cell.
    static int X(int col) { return col * 50 + 25; }
    int Y(int row) const { return viewport.RowTop(row) + 10; }

    void Click(int row, int col, GridModifiers modifiers = {})
    {
        input.LeftButtonDown(X(col), Y(row), modifiers);
        input.LeftButtonUp(X(col), Y(row));
    }

    std::vector<int> SelectedRows() const
    {
        std::vector<int> rows;
        for (int row = 1; row < table.GetRowCount(); ++row) {
            bool whole = true;
            bool any = false;
            for (int col = 0; col < 4; ++col) {
                whole = whole && table.IsCellSelected(row, col);
                any = any || table.IsCellSelected(row, col);
            }
            EXPECT_EQ(whole, any) << "list mode selects whole rows, row " << row;
            if (whole)
                rows.push_back(row);
        }
        return rows;
    }
};

TEST_F(GridListMode, ShiftAndCtrlClicksExtendAndTrimTheSelectionUnlessSingleRow)
{
    Click(2, 0);
    Click(4, 3, {.shift = true});
    EXPECT_EQ(SelectedRows(), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(input.SelectionStart(), (GridCellId{2, 0})) << "shift keeps the selection start";

    Click(3, 2, {.ctrl = true});
    EXPECT_EQ(SelectedRows(), (std::vector<int>{2, 4})) << "ctrl+click on a selected row drops it";
    EXPECT_EQ(table.GetFocusCell(), (GridCellId{3, 2}));

    Click(5, 0, {.ctrl = true});
    EXPECT_EQ(SelectedRows(), (std::vector<int>{2, 4, 5})) << "ctrl keeps the earlier rows";

    Click(1, 1);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1})) << "a plain click starts afresh";

    table.SetSingleRowSelection(true);
    Click(4, 0, {.shift = true});
    EXPECT_EQ(SelectedRows(), (std::vector<int>{4})) << "single-row selection ignores shift";
}

TEST_F(GridListMode, HeaderClickSelectsTheColumnNotRows)
{
    Click(2, 0);
    Click(0, 2);
    for (int row = 1; row < table.GetRowCount(); ++row) {
        EXPECT_TRUE(table.IsCellSelected(row, 2)) << row;
        EXPECT_FALSE(table.IsCellSelected(row, 1)) << row;
    }
    EXPECT_FALSE(table.IsCellSelected(0, 2));
    EXPECT_EQ(table.GetFocusCell(), GridCellId{}) << "a fixed cell takes no focus";

    table.SetFixedRowSelection(false);
    table.ClearSelection();
    Click(0, 1);
    EXPECT_EQ(table.GetSelectedCount(), 0);
}

TEST_F(GridListMode, RightClickMovesTheFocusAndKeepsTheSelection)
{
    Click(2, 0);
    Click(3, 0, {.shift = true});
    notices.clear();
    input.RightButtonUp(X(1), Y(5));
    EXPECT_EQ(table.GetFocusCell(), (GridCellId{5, 1}));
    EXPECT_EQ(SelectedRows(), (std::vector<int>{2, 3}));
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], (Notice{GridNotifyRightClick, 5, 1}));

    input.RightButtonUp(X(2), 5);
    EXPECT_EQ(notices.back(), (Notice{GridNotifyRightClick, 1, 2})) << "clamped to the data rows";
    input.RightButtonUp(199, 119);
    input.RightButtonUp(500, 500);
    EXPECT_EQ(notices.back(), (Notice{GridNotifyRightClick, -1, -1}));
    EXPECT_EQ(SelectedRows(), (std::vector<int>{2, 3}));
}

TEST_F(GridListMode, DoubleClickNotifiesWithTheCellAndNotOnADivider)
{
    input.LeftDoubleClick(X(1), Y(3));
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], (Notice{GridNotifyDoubleClick, 3, 1}));
    notices.clear();

    table.SetText(0, 0, "a long header text");
    input.LeftDoubleClick(50, 10);
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(table.GetColumnWidth(0), 18 * 8 + 2 * table.GetDefaultCell(true, false)->GetMargin());
}

TEST_F(GridListMode, DraggingAHeaderDividerSetsTheWidthAtRelease)
{
    input.LeftButtonDown(101, 10, {});
    EXPECT_EQ(input.Mode(), GridMouseMode::SizingColumn);
    input.MouseMove(130, 10);
    input.LeftButtonUp(130, 10);
    EXPECT_EQ(table.GetColumnWidth(1), 80);
    EXPECT_TRUE(notices.empty());

    input.LeftButtonDown(50 + 80, 10, {});
    input.LeftButtonUp(20, 10);
    EXPECT_EQ(table.GetColumnWidth(1), 0) << "never below 0";

    table.EnableColumnResize(false);
    input.LeftButtonDown(50, 10, {});
    EXPECT_NE(input.Mode(), GridMouseMode::SizingColumn);
}

TEST_F(GridListMode, KeysMoveTheFocusAndSelectRows)
{
    Click(2, 1);
    notices.clear();
    EXPECT_TRUE(input.KeyDown(GridKey::Down, {}));
    EXPECT_EQ(table.GetFocusCell(), (GridCellId{3, 1}));
    EXPECT_EQ(SelectedRows(), (std::vector<int>{3}));
    EXPECT_EQ(notices.front(), (Notice{GridNotifySelectionChanging, 3, 1}));
    EXPECT_EQ(notices.back(), (Notice{GridNotifySelectionChanged, 3, 1}));

    input.KeyDown(GridKey::Down, {.shift = true});
    input.KeyDown(GridKey::Down, {.shift = true});
    EXPECT_EQ(SelectedRows(), (std::vector<int>{3, 4, 5}));

    input.KeyDown(GridKey::End, {.ctrl = true});
    EXPECT_EQ(table.GetFocusCell(), (GridCellId{12, 1}));
    EXPECT_EQ(viewport.GetTopRow(), 8) << "scrolled to show the focus";
    input.KeyDown(GridKey::Up, {});
    EXPECT_EQ(table.GetFocusCell(), (GridCellId{11, 1}));
    input.KeyDown(GridKey::PageUp, {});
    EXPECT_EQ(table.GetFocusCell(), (GridCellId{6, 1}));
    input.KeyDown(GridKey::Home, {});
    EXPECT_EQ(table.GetFocusCell(), (GridCellId{6, 0}));
    input.KeyDown(GridKey::Left, {});
    EXPECT_EQ(table.GetFocusCell(), (GridCellId{6, 0})) << "stops at the first column";
}

TEST_F(GridListMode, KeysSkipHiddenColumnsAndRows)
{
    table.SetColumnWidth(1, 0);
    table.SetRowHeight(3, 0);
    Click(2, 0);
    input.KeyDown(GridKey::Right, {});
    EXPECT_EQ(table.GetFocusCell(), (GridCellId{2, 2}));
    input.KeyDown(GridKey::Down, {});
    EXPECT_EQ(table.GetFocusCell(), (GridCellId{4, 2}));
    input.KeyDown(GridKey::Tab, {.shift = true});
    EXPECT_EQ(table.GetFocusCell(), (GridCellId{4, 0}));
    input.KeyDown(GridKey::Tab, {.shift = true});
    EXPECT_EQ(table.GetFocusCell(), (GridCellId{2, 3})) << "back to the end of the row above";
}

TEST_F(GridListMode, DraggingBelowTheRowsScrollsAndExtendsOnEachTimerStep)
{
    input.LeftButtonDown(X(0), Y(4), {});
    EXPECT_FALSE(input.WantsAutoScroll());
    input.MouseMove(X(0), 130);
    ASSERT_TRUE(input.WantsAutoScroll());
    input.AutoScrollStep();
    EXPECT_EQ(viewport.GetTopRow(), 2);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{4, 5, 6}));
    input.AutoScrollStep();
    EXPECT_EQ(SelectedRows(), (std::vector<int>{4, 5, 6, 7}));
    input.LeftButtonUp(X(0), 130);
    EXPECT_FALSE(input.WantsAutoScroll());
    EXPECT_EQ(table.GetState(7, 0) & (GridStateFocused | GridStateSelected),
              unsigned(GridStateFocused | GridStateSelected));
}

TEST(GridInputCells, CellModeSelectsRectanglesAndCornerSelectsAll)
{
    GridTable table(5, 4, 1, 1);
    GridViewport viewport(table);
    for (int col = 0; col < 4; ++col)
        table.SetColumnWidth(col, 50);
    for (int row = 0; row < 5; ++row)
        table.SetRowHeight(row, 20);
    viewport.SetClientSize(400, 400);
    GridInput input(table, viewport, [](int, int, int) {});

    input.LeftButtonDown(75, 30, {});
    input.MouseMove(125, 70);
    input.LeftButtonUp(125, 70);
    EXPECT_EQ(table.GetSelectedCount(), 6);
    GridCellRange range = table.GetSelectedRange();
    EXPECT_EQ(range.minRow, 1);
    EXPECT_EQ(range.minCol, 1);
    EXPECT_EQ(range.maxRow, 3);
    EXPECT_EQ(range.maxCol, 2);

    input.LeftButtonDown(25, 50, {});
    input.LeftButtonUp(25, 50);
    EXPECT_EQ(table.GetSelectedCount(), 3) << "a row header selects its row";

    input.LeftButtonDown(10, 10, {});
    input.LeftButtonUp(10, 10);
    EXPECT_EQ(table.GetSelectedCount(), 12) << "the corner selects every data cell";
}

// A window that takes the grid's notifications, as a folder view does.
class NotifiedParent : public QWidget, public vellum::ui::CommandTarget
{
public:
    std::optional<long> OnNotify(const vellum::ui::Notification&) override { return 0; }
};

class GridWindow : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vellum::ui::EnsureApplication(); }

    void SetUp() override
    {
        parent.resize(400, 200);
        grid = new CGridCtrl;
        ASSERT_FALSE(grid->HasWindow());
        ASSERT_TRUE(grid->Create(&parent, 6011));
        grid->setGeometry(0, 0, 400, 200);
        grid->SetFixedRowCount(1);
        grid->SetColumnCount(3);
        grid->SetListMode(true);
        grid->SetEditable(false);
        for (int col = 0; col < 3; ++col) {
            grid->SetText(0, col, "Head " + std::to_string(col));
            grid->SetColumnWidth(col, 100);
        }
        grid->SetRowHeight(0, 20);
        for (int row = 1; row <= 20; ++row) {
            int at = grid->InsertRow(std::to_string(row));
            grid->SetRowHeight(at, 20);
            grid->SetText(at, 1, "subject " + std::to_string(row));
        }
        parent.show();
        QApplication::processEvents();
    }

    QWidget* Surface() { return grid->viewport(); }

    // Moves the mouse to the middle of a cell on screen.
    void HoverOver(int row, int col)
    {
        GridRect rect = grid->Viewport().CellRect(row, col);
        QPoint at(rect.left + rect.Width() / 2, rect.top + rect.Height() / 2);
        QMouseEvent event(QEvent::MouseMove, at, Surface()->mapToGlobal(at), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(Surface(), &event);
    }

    NotifiedParent parent;
    CGridCtrl* grid = nullptr;
};

TEST_F(GridWindow, RowsAddedWithRedrawOffReachTheScrollBarWhenItComesOn)
{
    const int before = grid->verticalScrollBar()->maximum();
    grid->SetRedraw(false);
    for (int row = 0; row < 30; ++row)
        grid->SetRowHeight(grid->InsertRow("X"), 20);
    EXPECT_EQ(grid->verticalScrollBar()->maximum(), before) << "nothing synced while off";
    grid->SetRedraw(true);
    EXPECT_EQ(grid->verticalScrollBar()->maximum(), before + 30);
}

TEST_F(GridWindow, WheelAndScrollBarMoveTheRowsInStep)
{
    ASSERT_EQ(grid->Viewport().GetTopRow(), 1);
    QWheelEvent wheel(QPointF(50, 50), Surface()->mapToGlobal(QPointF(50, 50)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Surface(), &wheel);
    EXPECT_EQ(grid->Viewport().GetTopRow(), 4);
    EXPECT_EQ(grid->verticalScrollBar()->value(), 4);

    grid->verticalScrollBar()->setValue(2);
    EXPECT_EQ(grid->Viewport().GetTopRow(), 2) << "dragging the scroll bar moves the rows";
}

TEST_F(GridWindow, CellTipShowsTheWholeTextOfANarrowCell)
{
    grid->SetText(2, 1, "a subject far too long to fit into one hundred pixels of column");
    HoverOver(2, 1);
    auto* tip = grid->viewport()->findChild<QWidget*>("ZTitleTip");
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_GT(tip->width(), 100);

    HoverOver(3, 0);
    EXPECT_FALSE(tip->isVisible()) << "a text that fits needs no tip";
}

} // namespace
