// The desktop seam as other folders use it: a scripted person who gives no
// answer takes the cautious one in the message boxes and choosers.
#include "platform/ui/DesktopServices.h"

#include "platform/ui/ScriptedDesktop.h"

#include <gtest/gtest.h>

using namespace vellum::ui;

namespace {

TEST(DesktopServices, UnansweredQuestionsTakeTheCautiousAnswer)
{
    ScriptedDesktop desktop;
    ScopedDesktop installed(desktop);
    EXPECT_EQ(MessageBox("q", MessageButtons::YesNo), MessageAnswer::No);
    EXPECT_EQ(MessageBox("q", MessageButtons::OkCancel), MessageAnswer::Cancel);
    EXPECT_FALSE(CurrentDesktop().ChooseOpenFile(nullptr, "*.*|*.*||").has_value());
    EXPECT_FALSE(CurrentDesktop().ChooseColor(nullptr, 0).has_value());
}

} // namespace
