// Routing stops at the top-level window: a dialog's commands never leak into
// the window that opened it.
#include "platform/ui/CommandTarget.h"

#include "platform/ui/ControlId.h"

#include <QAbstractButton>
#include <QMetaObject>
#include <QWidget>

namespace vellum::ui {
namespace {

template <typename Handler> bool WalkUp(QWidget* start, Handler&& handler)
{
    for (QWidget* window = start; window; window = window->parentWidget()) {
        if (auto* target = dynamic_cast<CommandTarget*>(window); target && handler(*target))
            return true;
        if (window->isWindow())
            break;
    }
    return false;
}

bool DispatchCommand(QWidget* start, int id)
{
    return WalkUp(start, [id](CommandTarget& target) { return target.OnCommand(id); });
}

} // namespace

bool SendCommand(QWidget* control, int id)
{
    if (!control)
        return false;
    return DispatchCommand(control->parentWidget(), id);
}

std::optional<long> SendNotify(QWidget* control, int code, int row, int column)
{
    if (!control)
        return std::nullopt;
    Notification notification{ControlIdOf(control), code, row, column};
    std::optional<long> answer;
    WalkUp(control->parentWidget(), [&](CommandTarget& target) {
        answer = target.OnNotify(notification);
        return answer.has_value();
    });
    return answer;
}

void RouteClicks(QAbstractButton* button)
{
    if (!button)
        return;
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [button] { SendCommand(button, ControlIdOf(button)); });
}

void PostCommand(QWidget* window, int id)
{
    if (!window)
        return;
    QMetaObject::invokeMethod(
        window, [window, id] { DispatchCommand(window, id); }, Qt::QueuedConnection);
}

} // namespace vellum::ui
