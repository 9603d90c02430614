// The timers are children of a private QObject, so they die with this object
// even when the window that holds it outlives it.
#include "platform/ui/WindowTimers.h"

#include <QObject>
#include <QTimer>

namespace vellum::ui {

WindowTimers::WindowTimers(std::function<void(int id)> onTimer)
    : onTimer_(std::move(onTimer)), owner_(std::make_unique<QObject>())
{
}

WindowTimers::~WindowTimers() = default;

void WindowTimers::Set(int id, int milliseconds)
{
    QTimer*& timer = timers_[id];
    if (!timer) {
        timer = new QTimer(owner_.get());
        QObject::connect(timer, &QTimer::timeout, owner_.get(), [this, id] {
            if (onTimer_)
                onTimer_(id);
        });
    }
    timer->start(milliseconds < 0 ? 0 : milliseconds);
}

bool WindowTimers::Kill(int id)
{
    auto found = timers_.find(id);
    if (found == timers_.end())
        return false;
    found->second->stop();
    found->second->deleteLater();
    timers_.erase(found);
    return true;
}

bool WindowTimers::IsActive(int id) const
{
    auto found = timers_.find(id);
    return found != timers_.end() && found->second->isActive();
}

} // namespace vellum::ui
