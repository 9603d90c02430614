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

} // namespace
