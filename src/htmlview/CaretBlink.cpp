// The interval is read again at every restart, so a changed desktop setting
// takes effect at the next keystroke without recreating the view.
#include "htmlview/CaretBlink.h"

#include <QApplication>

namespace vellum::html {

CaretBlink::CaretBlink(std::function<void()> repaint) : repaint_(std::move(repaint))
{
    QObject::connect(&timer_, &QTimer::timeout, [this] { Flip(); });
}

void CaretBlink::Start()
{
    running_ = true;
    Restart();
}

void CaretBlink::Stop()
{
    running_ = false;
    timer_.stop();
    if (visible_) {
        visible_ = false;
        repaint_();
    }
}

void CaretBlink::Restart()
{
    if (!running_)
        return;
    timer_.stop();
    int period = QApplication::cursorFlashTime();
    if (period > 0)
        timer_.start(period / 2);
    if (!visible_) {
        visible_ = true;
        repaint_();
    }
}

void CaretBlink::Flip()
{
    visible_ = !visible_;
    repaint_();
}

} // namespace vellum::html
