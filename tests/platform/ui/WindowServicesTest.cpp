// Timers by identifier, and the texts and check states of real widgets.
#include "platform/text/CodePage.h"
#include "platform/ui/Application.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/DialogActions.h"
#include "platform/ui/WindowText.h"
#include "platform/ui/WindowTimers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <vector>

using namespace vellum::ui;
using vellum::text::FromUtf8;

namespace {

void RunEventsFor(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(WindowTimers, TimersFireByIdentifierUntilKilled)
{
    EnsureApplication();
    std::vector<int> fired;
    WindowTimers timers([&](int id) { fired.push_back(id); });
    timers.Set(7, 10);
    timers.Set(9, 1000000);
    EXPECT_TRUE(timers.IsActive(7));
    RunEventsFor(60);
    ASSERT_FALSE(fired.empty());
    for (int id : fired)
        EXPECT_EQ(id, 7);

    EXPECT_TRUE(timers.Kill(7));
    EXPECT_FALSE(timers.IsActive(7));
    EXPECT_FALSE(timers.Kill(7));
    size_t countAfterKill = fired.size();
    RunEventsFor(40);
    EXPECT_EQ(fired.size(), countAfterKill);
    EXPECT_TRUE(timers.IsActive(9));
}

TEST(WindowText, TextAndCheckStateOfEveryKindOfControl)
{
    EnsureApplication();
    QDialog dialog;
    auto* edit = new QLineEdit(&dialog);
    auto* area = new QPlainTextEdit(&dialog);
    auto* combo = new QComboBox(&dialog);
    combo->setEditable(true);
    auto* box = new QCheckBox(QString::fromUtf8("已读"), &dialog);
    auto* label = new QLabel(&dialog);
    auto* button = new QPushButton(&dialog);
    SetControlId(edit, 2001);
    SetControlId(area, 2002);
    SetControlId(combo, 2003);
    SetControlId(box, 2004);
    SetControlId(button, 1);

    const std::string name = FromUtf8("张三");
    EXPECT_TRUE(FillControl(dialog, 2001, name));
    EXPECT_EQ(GetWindowText(edit), name);
    EXPECT_TRUE(FillControl(dialog, 2002, "one\r\ntwo\nthree"));
    EXPECT_EQ(area->toPlainText(), "one\ntwo\nthree");
    EXPECT_EQ(GetWindowText(area), "one\r\ntwo\r\nthree");
    EXPECT_TRUE(FillControl(dialog, 2003, "typed"));
    EXPECT_EQ(GetWindowText(combo), "typed");
    EXPECT_FALSE(FillControl(dialog, 2999, "x"));

    EXPECT_EQ(GetWindowText(box), FromUtf8("已读"));
    EXPECT_EQ(GetCheck(box), 0);
    box->setCheckable(true);
    EXPECT_TRUE(CheckControl(dialog, 2004, 1));
    EXPECT_EQ(GetCheck(box), 1);
    EXPECT_FALSE(CheckControl(dialog, 2001, 1));
    EXPECT_EQ(GetCheck(edit), 0);

    SetWindowText(label, FromUtf8("主题"));
    EXPECT_EQ(label->text(), QString::fromUtf8("主题"));
    SetWindowText(&dialog, FromUtf8("查找"));
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("查找"));
    EXPECT_EQ(GetWindowText(&dialog), FromUtf8("查找"));

    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    EXPECT_TRUE(PressControl(dialog, 1));
    button->setEnabled(false);
    EXPECT_FALSE(PressControl(dialog, 1));
    EXPECT_EQ(clicks, 1);
}

} // namespace
