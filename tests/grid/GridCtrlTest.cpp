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
