// The caret's on/off rhythm.
//
// The period is the desktop's cursor flash time (a whole on-off cycle, so
// the state flips every half period); a flash time of 0 or less means the
// user asked for a steady caret. Every caret move or keystroke restarts the
// cycle with the caret shown, as text editors do, so the caret never
// vanishes while the user is typing.
#pragma once

#include <QTimer>

#include <functional>

namespace vellum::html {

class CaretBlink
{
public:
    // `repaint` is called whenever the visible state flips.
    explicit CaretBlink(std::function<void()> repaint);

    // Blinking runs only while the view has the focus and can edit.
    void Start();
    void Stop();
    // Shows the caret now and starts a fresh cycle.
    void Restart();

    bool IsVisible() const { return visible_; }
    bool IsRunning() const { return running_; }

private:
    void Flip();

    std::function<void()> repaint_;
    QTimer timer_;
    bool visible_ = false;
    bool running_ = false;
};

} // namespace vellum::html
