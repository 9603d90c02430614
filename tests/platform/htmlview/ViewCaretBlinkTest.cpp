// The caret's rhythm: shown at once, flipping every half flash period,
// shown again by every restart, steady when the desktop asks for no
// blinking, hidden and quiet once stopped.
#include "platform/htmlview/CaretBlink.h"
#include "platform/ui/Application.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

using vellum::html::CaretBlink;

namespace {

struct FlashTime
{
    explicit FlashTime(int milliseconds) : saved(QApplication::cursorFlashTime())
    {
        QApplication::setCursorFlashTime(milliseconds);
    }
    ~FlashTime() { QApplication::setCursorFlashTime(saved); }
    int saved;
};

} // namespace
