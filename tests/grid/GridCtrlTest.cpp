// The grid window offscreen: creation, notifications to the parent with the
// grid's control id, real mouse events, painting and the cell tip.
#include "grid/GridCtrl.h"

#include "platform/ui/Application.h"
#include "platform/ui/CommandTarget.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/QtColor.h"
#include "platform/ui/SystemColors.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <vector>

namespace {

using vellum::ui::Notification;

// A window that records every notification it gets.
class RecordingParent : public QWidget, public vellum::ui::CommandTarget
{
public:
    std::optional<long> OnNotify(const Notification& notification) override
    {
        received.push_back(notification);
        return 0;
    }
    std::vector<Notification> received;
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

    void Mouse(QEvent::Type type, Qt::MouseButton button, QPoint at,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent event(type, at, Surface()->mapToGlobal(at), button, held, modifiers);
        QApplication::sendEvent(Surface(), &event);
    }

    void Click(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Mouse(QEvent::MouseButtonPress, Qt::LeftButton, at, modifiers);
        Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, at, modifiers);
    }

    // The middle of a cell on screen.
    QPoint At(int row, int col) const
    {
        GridRect rect = grid->Viewport().CellRect(row, col);
        return {rect.left + rect.Width() / 2, rect.top + rect.Height() / 2};
    }

    std::vector<int> Codes() const
    {
        std::vector<int> codes;
        for (const Notification& notification : parent.received)
            codes.push_back(notification.code);
        return codes;
    }

    RecordingParent parent;
    CGridCtrl* grid = nullptr;
};

TEST_F(GridWindow, CreationGivesIdTabStopAndMeasuredDefaults)
{
    EXPECT_TRUE(grid->HasWindow());
    EXPECT_EQ(vellum::ui::ControlIdOf(grid), 6011);
    EXPECT_EQ(grid->objectName(), "MFCGridCtrl");
    EXPECT_EQ(grid->parentWidget(), &parent);
    EXPECT_TRUE(grid->isVisible());
    EXPECT_EQ(grid->focusPolicy(), Qt::StrongFocus);
    const CGridDefaultCell* normal = grid->GetDefaultCell(false, false);
    EXPECT_GT(normal->GetWidth(), 40) << "measured, not the 40 x 16 of a grid without a window";
    EXPECT_EQ(grid->GetDefaultCell(true, true)->GetHeight(), normal->GetHeight());
    EXPECT_EQ(grid->Input().GetWheelLines(), CGridCtrl::SystemWheelLines());
    EXPECT_EQ(CGridCtrl::SystemWheelLines(), 3);
}

TEST_F(GridWindow, MouseEventsNotifyTheParentWithTheGridsId)
{
    Click(At(3, 1));
    ASSERT_EQ(Codes(), (std::vector<int>{-100, -101, -2}));
    for (const Notification& notification : parent.received) {
        EXPECT_EQ(notification.controlId, 6011);
        EXPECT_EQ(notification.row, 3);
        EXPECT_EQ(notification.column, 1);
    }
    EXPECT_TRUE(grid->IsCellSelected(3, 0) && grid->IsCellSelected(3, 2));

    parent.received.clear();
    Mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, At(4, 2));
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, At(4, 2));
    ASSERT_EQ(Codes(), (std::vector<int>{-3}));
    EXPECT_EQ(parent.received[0].row, 4);
    EXPECT_EQ(parent.received[0].column, 2);

    parent.received.clear();
    Mouse(QEvent::MouseButtonPress, Qt::RightButton, At(6, 0));
    Mouse(QEvent::MouseButtonRelease, Qt::RightButton, At(6, 0));
    ASSERT_EQ(Codes(), (std::vector<int>{-5}));
    EXPECT_EQ(parent.received[0].row, 6);
    EXPECT_TRUE(grid->IsCellSelected(3, 0)) << "a right click keeps the selection";
    EXPECT_FALSE(grid->IsCellSelected(6, 0));
    EXPECT_EQ(grid->GetFocusCell(), (GridCellId{6, 0}));
}

TEST_F(GridWindow, WheelAndKeysScrollAndKeepTheScrollBarInStep)
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

TEST_F(GridWindow, PaintsGridBackgroundHeaderSelectionAndLines)
{
    grid->SetGridBkColor(0x0000FF);
    grid->GetDefaultCell(true, false)->SetBackClr(0x00FF00);
    grid->SetColumnWidth(2, 50);
    grid->DeleteDataRows();
    for (int row = 1; row <= 3; ++row)
        grid->SetRowHeight(grid->InsertRow("r"), 20);
    Click(At(2, 0));
    QImage image = grid->grab().toImage();
    EXPECT_EQ(image.pixelColor(350, 150), QColor(255, 0, 0)) << "outside the cells";
    EXPECT_EQ(image.pixelColor(90, 10), QColor(0, 255, 0)) << "header row";
    QColor highlight =
        vellum::ui::ToQColor(vellum::ui::GetSystemColor(vellum::ui::SystemColor::Highlight));
    EXPECT_EQ(image.pixelColor(95, 50), highlight) << "selected row";
    EXPECT_EQ(image.pixelColor(95, 30), vellum::ui::ToQColor(grid->EffectiveBackColour(1, 0)))
        << "unselected row";
    EXPECT_NE(highlight, vellum::ui::ToQColor(grid->EffectiveBackColour(1, 0)));
    EXPECT_EQ(image.pixelColor(50, 39), QColor(0xC0, 0xC0, 0xC0)) << "grid line under row 1";
}

TEST_F(GridWindow, CellTipShowsTheWholeTextOfANarrowCell)
{
    grid->SetText(2, 1, "a subject far too long to fit into one hundred pixels of column");
    Mouse(QEvent::MouseMove, Qt::NoButton, At(2, 1));
    auto* tip = grid->viewport()->findChild<QWidget*>("ZTitleTip");
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_GT(tip->width(), 100);

    Mouse(QEvent::MouseMove, Qt::NoButton, At(3, 0));
    EXPECT_FALSE(tip->isVisible()) << "a text that fits needs no tip";
}

} // namespace
