// Commands, notifications and posted commands travel between real widgets:
// the nearest window that handles them wins, a window that declines passes
// them on, and routing stops at the top-level window.
#include "platform/ui/Application.h"
#include "platform/ui/CommandTarget.h"
#include "platform/ui/ControlId.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace vellum::ui;

namespace {

// A window that records what reaches it and handles only the identifiers
// it is told to.
class RecordingWindow : public QWidget, public CommandTarget
{
public:
    explicit RecordingWindow(QWidget* parent = nullptr, std::vector<int> handles = {})
        : QWidget(parent), handles_(std::move(handles))
    {
    }

    bool OnCommand(int id) override
    {
        commands.push_back(id);
        return Handles(id);
    }

    std::optional<long> OnNotify(const Notification& notification) override
    {
        notifications.push_back(notification);
        if (!Handles(notification.controlId))
            return std::nullopt;
        return 40 + notification.code;
    }

    std::vector<int> commands;
    std::vector<Notification> notifications;

private:
    bool Handles(int id) const { return std::ranges::find(handles_, id) != handles_.end(); }

    std::vector<int> handles_;
};

TEST(CommandRouting, ControlIdentifiersAreFoundAmongDescendants)
{
    EnsureApplication();
    QWidget root;
    auto* strip = new QWidget(&root);
    auto* deep = new QPushButton(strip);
    auto* near = new QPushButton(&root);
    SetControlId(deep, 6001);
    SetControlId(near, 1);
    EXPECT_EQ(ControlIdOf(deep), 6001);
    EXPECT_EQ(ControlIdOf(strip), 0);
    EXPECT_EQ(FindControl(&root, 6001), deep);
    EXPECT_EQ(FindControl(&root, 1), near);
    EXPECT_EQ(FindControl(&root, 2), nullptr);
    EXPECT_EQ(FindControl(&root, 0), nullptr);
}

TEST(CommandRouting, ClicksOfButtonsAndCheckBoxesReachTheNearestWindowThatHandlesThem)
{
    EnsureApplication();
    RecordingWindow dialog(nullptr, {6001});
    RecordingWindow strip(&dialog, {6002});
    auto* first = new QPushButton(&strip);
    auto* second = new QPushButton(&strip);
    SetControlId(first, 6001);
    SetControlId(second, 6002);
    RouteClicks(first);
    RouteClicks(second);

    first->click();  // the strip declines, the dialog handles it
    second->click(); // the strip handles it itself
    EXPECT_EQ(strip.commands, (std::vector<int>{6001, 6002}));
    EXPECT_EQ(dialog.commands, (std::vector<int>{6001}));

    // Standard check boxes send their clicks as commands too.
    auto* box = new QCheckBox(&dialog);
    SetControlId(box, 2003);
    RouteClicks(box);
    box->click();
    box->click();
    EXPECT_EQ(dialog.commands, (std::vector<int>{6001, 2003, 2003}));

    EXPECT_FALSE(SendCommand(first, 7777));
    EXPECT_FALSE(SendCommand(nullptr, 1));
}

TEST(CommandRouting, RoutingStopsAtTheTopLevelWindow)
{
    EnsureApplication();
    RecordingWindow opener(nullptr, {1});
    RecordingWindow dialog(&opener);
    dialog.setWindowFlag(Qt::Dialog);
    auto* ok = new QPushButton(&dialog);
    EXPECT_FALSE(SendCommand(ok, 1));
    EXPECT_EQ(dialog.commands, std::vector<int>{1});
    EXPECT_TRUE(opener.commands.empty());
}

TEST(CommandRouting, NotificationsCarryCodeRowColumnAndTheAnswerComesBack)
{
    EnsureApplication();
    RecordingWindow view(nullptr, {100});
    RecordingWindow strip(&view);
    auto* grid = new QWidget(&strip);
    SetControlId(grid, 100);

    std::optional<long> answer = SendNotify(grid, 2, 5, 3);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, 42);
    ASSERT_EQ(view.notifications.size(), 1u);
    EXPECT_EQ(view.notifications[0].controlId, 100);
    EXPECT_EQ(view.notifications[0].code, 2);
    EXPECT_EQ(view.notifications[0].row, 5);
    EXPECT_EQ(view.notifications[0].column, 3);
    EXPECT_EQ(strip.notifications.size(), 1u);

    SetControlId(grid, 101);
    EXPECT_FALSE(SendNotify(grid, 2).has_value());
}

TEST(CommandRouting, PostedCommandArrivesAfterTheCurrentEventOnly)
{
    EnsureApplication();
    RecordingWindow view(nullptr, {6002});
    PostCommand(&view, 6002);
    EXPECT_TRUE(view.commands.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(view.commands, std::vector<int>{6002});

    auto* gone = new RecordingWindow(nullptr, {6002});
    PostCommand(gone, 6002);
    delete gone;
    QCoreApplication::processEvents(); // must not reach the deleted window
}

} // namespace
