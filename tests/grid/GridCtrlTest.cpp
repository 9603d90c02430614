// The grid window offscreen, under a parent that takes its notifications:
// wheel and scroll bar in step, and the cell tip.
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

namespace {

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
