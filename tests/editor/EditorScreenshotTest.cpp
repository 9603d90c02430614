// Offscreen pictures of the body editor as a writer sees it: the toolbar over
// a Chinese body with a table and a selection, and the same body in the
// source view. The PNGs land in the build folder's "screenshots/"; the
// README shows copies of them.
#include "EditorTestSupport.h"
#include "platform/ui/WindowImage.h"
#include "support/Screenshots.h"

#include <QImage>

using namespace vellum::editor::testing;
using namespace vellum;
using vellum::testing::ScreenshotPath;

namespace {

constexpr char kBody[] =
    "<P>张经理：</P>"
    "<P>附件是<B>第三季度</B>的销售汇总，请在周五前<FONT color=\"#cc0000\">审核</FONT>。"
    "主要数据如下：</P>"
    "<TABLE border=1 cellpadding=3 width=420><TBODY>"
    "<TR><TD><B>地区</B></TD><TD><B>销售额</B></TD><TD><B>增长</B></TD></TR>"
    "<TR><TD>华东</TD><TD>1,280,000</TD><TD>12%</TD></TR>"
    "<TR><TD>华南</TD><TD>960,000</TD><TD>8%</TD></TR></TBODY></TABLE>"
    "<UL><LI>下周一召开评审会议</LI><LI>请各部门准备汇报材料</LI></UL>"
    "<P>谢谢！<BR>李明</P>";

TEST_F(EditorTest, ScreenshotsOfTheDesignAndSourceViews)
{
    window->resize(560, 320);
    MakeEditor(kBody);
    editor->resize(560, 320);
    Select("销售汇总");
    editor->OnCommand(CHtmlEditor::kRefreshToolbar);
    QApplication::processEvents();
    const std::string design = ScreenshotPath("editor.png");
    ASSERT_TRUE(ui::RenderToPng(*window, design));
    QImage designImage(QString::fromStdString(design));
    EXPECT_EQ(designImage.size(), QSize(560, 320));

    Click(CHtmlEditor::kSourceToggle);
    const std::string source = ScreenshotPath("editor-source.png");
    ASSERT_TRUE(ui::RenderToPng(*window, source));
    EXPECT_NE(QImage(QString::fromStdString(source)), designImage);
}

} // namespace
