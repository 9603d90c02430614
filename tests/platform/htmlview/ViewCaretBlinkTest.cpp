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

TEST(ViewCaretBlink, FlipsEveryHalfPeriodAndRestartsShown)
{
    vellum::ui::EnsureApplication();
    FlashTime flash(200);
    int repaints = 0;
    CaretBlink blink([&] { ++repaints; });
    EXPECT_FALSE(blink.IsVisible());

    blink.Start();
    EXPECT_TRUE(blink.IsVisible());
    EXPECT_EQ(repaints, 1);
    // However late the timer runs on a busy machine, every repaint is one
    // flip: an even count of flips after the first showing means hidden.
    for (int i = 0; i < 100 && repaints < 2; ++i)
        QTest::qWait(10);
    EXPECT_GE(repaints, 2);
    EXPECT_EQ(blink.IsVisible(), repaints % 2 == 1);

    // A keystroke shows the caret again straight away.
    blink.Restart();
    EXPECT_TRUE(blink.IsVisible());

    blink.Stop();
    EXPECT_FALSE(blink.IsVisible());
    int stopped = repaints;
    QTest::qWait(250);
    EXPECT_EQ(repaints, stopped);
    EXPECT_FALSE(blink.IsVisible());
    // Restart does nothing while stopped (the view has no focus).
    blink.Restart();
    EXPECT_FALSE(blink.IsVisible());
}

TEST(ViewCaretBlink, SteadyWhenTheDesktopTurnsBlinkingOff)
{
    vellum::ui::EnsureApplication();
    FlashTime flash(0);
    int repaints = 0;
    CaretBlink blink([&] { ++repaints; });
    blink.Start();
    QTest::qWait(200);
    EXPECT_TRUE(blink.IsVisible());
    EXPECT_EQ(repaints, 1);
}
