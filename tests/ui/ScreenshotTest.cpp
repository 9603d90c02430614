// Offscreen pictures of the windows this folder builds, as a person would
// see them: the search form, a toolbar strip of image buttons (with a
// checked toggle and a disabled button). The PNGs land in the build folder's
// "screenshots/"; the README shows copies of them.
#include "platform/text/CodePage.h"
#include "platform/ui/Application.h"
#include "platform/ui/ScriptedDesktop.h"
#include "platform/ui/WindowImage.h"
#include "platform/ui/WindowStyles.h"
#include "support/Screenshots.h"
#include "ui/ImageButton.h"
#include "ui/InputFormDlg.h"
#include "ui/LayoutCtrl.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace vellum::ui;
using vellum::testing::DistinctColours;
using vellum::testing::ScreenshotPath;
using vellum::text::FromUtf8;

namespace {

std::string Picture(const char* name)
{
    return std::string(VELLUM_IMAGES_DIR) + "/" + name;
}

TEST(Screenshot, SearchFormTitledFind)
{
    EnsureApplication();
    ScriptedDesktop desktop;
    ScopedDesktop installed(desktop);
    CInputFormDlg form;
    form.SetTitle(FromUtf8("查找"));
    form.AddField("MailFrom", FromUtf8("发件人"));
    form.AddField("Subject", FromUtf8("主题"));
    form.SetValue("MailFrom", FromUtf8("张三"));
    const std::string path = ScreenshotPath("search-form.png");
    bool saved = false;
    desktop.ActInModal([&](QWidget& dialog) { saved = RenderToPng(dialog, path); });
    form.DoModal();
    ASSERT_TRUE(saved);
    QImage shot(QString::fromStdString(path));
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(500, 148));
    EXPECT_GT(DistinctColours(shot), 8u);
}

TEST(Screenshot, ToolbarStripOfImageButtons)
{
    EnsureApplication();
    QWidget window;
    window.resize(640, 52);
    auto* folderBar = new CLayoutCtrl(&window);
    folderBar->Create(QRect(0, 0, 640, 26), &window, 0, kStyleVisible);
    CLayoutRow* row = folderBar->AddRow(22, 3);
    // Caption, picture, command, width.
    const std::tuple<const char*, const char*, int, int> folderButtons[] = {
        {"新邮件", "add.gif", 6001, 70}, {"编辑", "edit.gif", 6002, 60},
        {"复制", "copy.gif", 6003, 60},  {"删除", "drop.gif", 6004, 60},
        {"打开", "open.gif", 6002, 60},  {"查找", "search.gif", 6005, 60},
        {"阅读", "view.gif", 6002, 60},  {"保存", "item.gif", 6010, 60}};
    std::vector<CImageButton*> buttons;
    for (auto [caption, picture, id, width] : folderButtons) {
        CImageButton* button = folderBar->AddButton(row, FromUtf8(caption), id, width, 3);
        EXPECT_EQ(button->SetImageFile(Picture(picture), 0xFFFFFF), 0) << picture;
        buttons.push_back(button);
    }
    // One button of each state: hovered (raised), held down (sunken), disabled.
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(buttons[1], &enter);
    buttons[2]->setDown(true);
    buttons.back()->setEnabled(false);

    auto* editorBar = new CLayoutCtrl(&window);
    editorBar->Create(QRect(0, 26, 640, 26), &window, 10, kStyleVisible);
    CLayoutRow* tools = editorBar->AddRow(22, 3);
    const char* editorPictures[] = {
        "Source.gif",      "copy.gif",       "Paste.gif",      "Cut.gif",         "Bold.gif",
        "Incline.gif",     "Underline.gif",  "TextColor.gif",  "BackColor.gif",   "LeftAlign.gif",
        "CenterAlign.gif", "RightAlign.gif", "OrderList.gif",  "UnOrderList.gif", "InsertLine.gif",
        "InsertTable.gif", "HyperLink.gif",  "InsertImage.gif"};
    int id = 8001;
    for (const char* name : editorPictures) {
        CImageButton* button = editorBar->AddButton(tools, "", id++, 22, 3);
        EXPECT_EQ(button->SetImageFile(Picture(name), 0xFFFFFF), 0) << name;
        if (std::string(name) == "Bold.gif") {
            button->setCheckable(true);
            button->SetCheck(1);
        }
    }

    const std::string path = ScreenshotPath("toolbar-strip.png");
    ASSERT_TRUE(RenderToPng(window, path));
    QImage shot(QString::fromStdString(path));
    ASSERT_FALSE(shot.isNull());
    EXPECT_GT(DistinctColours(shot), 12u);
}

} // namespace
