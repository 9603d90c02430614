// Commands and notifications between controls and the windows that hold
// them. A click on a button becomes a command carrying the button's control
// identifier; it goes to the nearest enclosing window that handles commands
// (OnCommand returns true), so a toolbar strip that does not handle a command
// passes it on to the window holding the strip. Notifications (a grid's
// double click, say) carry a code, a row and a column in the same way, and
// the handler's answer comes back to the control.
//
// A window takes part by deriving from CommandTarget beside its QWidget base.
#pragma once

#include <optional>

class QAbstractButton;
class QWidget;

namespace vellum::ui {

struct Notification
{
    int controlId = 0;
    int code = 0;
    int row = -1;
    int column = -1;
};

class CommandTarget
{
public:
    virtual ~CommandTarget() = default;

    // True when the command was handled; false passes it to the next
    // enclosing window.
    virtual bool OnCommand(int id)
    {
        (void)id;
        return false;
    }

    // The answer for a handled notification; nothing passes it on.
    virtual std::optional<long> OnNotify(const Notification& notification)
    {
        (void)notification;
        return std::nullopt;
    }
};

// A command from a control to the windows around it (not the control itself).
// True when some window handled it.
bool SendCommand(QWidget* control, int id);

// A notification from a control, its identifier taken from the control.
// The answer of the window that handled it, or nothing.
std::optional<long> SendNotify(QWidget* control, int code, int row = -1, int column = -1);

// Makes every click of a standard button (check box, push button) a command
// with the button's control identifier, as the platform's buttons report.
void RouteClicks(QAbstractButton* button);

// Queues a command for the window itself (then the windows around it), to be
// handled after the current event; dropped if the window is gone by then.
void PostCommand(QWidget* window, int id);

} // namespace vellum::ui
