// Timers by identifier, as a window of the platform keeps them: setting an
// identifier again restarts it with the new period, killing stops it, and
// each expiry calls the window's handler with the identifier.
#pragma once

#include <functional>
#include <map>
#include <memory>

class QObject;
class QTimer;

namespace vellum::ui {

class WindowTimers
{
public:
    explicit WindowTimers(std::function<void(int id)> onTimer);
    ~WindowTimers();
    WindowTimers(const WindowTimers&) = delete;
    WindowTimers& operator=(const WindowTimers&) = delete;

    void Set(int id, int milliseconds);
    // False when no timer had that identifier.
    bool Kill(int id);
    bool IsActive(int id) const;

private:
    std::function<void(int)> onTimer_;
    std::unique_ptr<QObject> owner_;
    std::map<int, QTimer*> timers_;
};

} // namespace vellum::ui
