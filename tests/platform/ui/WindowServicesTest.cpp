// Timers by identifier, fonts, system colours, window texts and offscreen
// pictures on real widgets.
#include "platform/text/CodePage.h"
#include "platform/ui/Application.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/DialogActions.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/QtColor.h"
#include "platform/ui/SystemColors.h"
#include "platform/ui/WindowImage.h"
#include "platform/ui/WindowText.h"
#include "platform/ui/WindowTimers.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <filesystem>
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

TEST(Fonts, SongTiRequestFallsBackToAnInstalledChineseFace)
{
    EnsureApplication();
    QFont font = ModuleFont();
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 10.0);
    EXPECT_EQ(font.families().value(0), QString::fromUtf8("宋体"));
    QFontInfo info(font);
    EXPECT_TRUE(QFontMetrics(font).inFont(QChar(0x4E3B))) << info.family().toStdString();

    FontRequest label;
    label.pixelHeight = 12;
    label.bold = true;
    label.underline = true;
    QFont labelFont = MakeFont(label);
    EXPECT_EQ(labelFont.pixelSize(), 12);
    EXPECT_TRUE(labelFont.bold());
    EXPECT_TRUE(labelFont.underline());
    EXPECT_FALSE(labelFont.italic());
}

TEST(SystemColors, ColoursComeFromTheApplicationPalette)
{
    EnsureApplication();
    QPalette saved = QApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::ButtonText, QColor(4, 5, 6));
    palette.setColor(QPalette::Dark, QColor(7, 8, 9));
    QApplication::setPalette(palette);
    EXPECT_EQ(GetSystemColor(SystemColor::ButtonFace), MakeColorRef(1, 2, 3));
    EXPECT_EQ(GetSystemColor(SystemColor::ButtonText), MakeColorRef(4, 5, 6));
    EXPECT_EQ(GetSystemColor(SystemColor::ButtonShadow), MakeColorRef(7, 8, 9));
    QApplication::setPalette(saved);

    EXPECT_EQ(MakeColorRef(0x12, 0x34, 0x56), 0x563412u);
    EXPECT_EQ(FromQColor(ToQColor(0x563412)), 0x563412u);
    EXPECT_EQ(ToQColor(255), QColor(255, 0, 0));
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

TEST(WindowImage, WindowIsRenderedOffscreenToAPng)
{
    EnsureApplication();
    QWidget window;
    window.resize(120, 40);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(255, 0, 0));
    window.setPalette(palette);
    window.setAutoFillBackground(true);

    std::string path =
        (std::filesystem::path(VELLUM_BINARY_DIR) / "window-image-test.png").string();
    std::filesystem::remove(path);
    ASSERT_TRUE(RenderToPng(window, path));
    QImage image(QString::fromStdString(path));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width() / image.devicePixelRatio(), 120);
    EXPECT_EQ(QColor(image.pixel(5, 5)), QColor(255, 0, 0));

    EXPECT_FALSE(RenderToPng(window, "/nonexistent-folder/x.png"));
}

} // namespace
