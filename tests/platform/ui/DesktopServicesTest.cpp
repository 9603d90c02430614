// The desktop seam as other folders use it: the message-box conveniences
// with their captions, the current instance, and the scripted person's
// answers, records and modal actions.
#include "platform/ui/DesktopServices.h"

#include "platform/text/CodePage.h"
#include "platform/ui/Application.h"
#include "platform/ui/ScriptedDesktop.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace vellum::ui;
using vellum::text::FromUtf8;

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
