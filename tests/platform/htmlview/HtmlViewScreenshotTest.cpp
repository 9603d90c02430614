// Pictures of a rich mail body in the editing view (with a text selection
// and the caret's focus) and in the read-only view, as a person sees them.
// The PNGs land in the build folder's "screenshots/"; docs/ keeps copies.
#include "ViewTestSupport.h"
#include "platform/ui/WindowImage.h"
#include "support/Screenshots.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

using namespace vellum::html;
using namespace vellum::html::testing;
using vellum::testing::DistinctColours;
using vellum::testing::ScreenshotPath;

namespace {

// A small picture as a data address: a sky-blue square with a sun.
std::string PictureAddress()
{
    QImage image(48, 36, QImage::Format_RGB32);
    image.fill(QColor(135, 190, 235));
    QPainter painter(&image);
    painter.setBrush(QColor(250, 200, 40));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(34, 12), 8, 8);
    painter.fillRect(0, 26, 48, 10, QColor(70, 150, 70));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return "data:image/png;base64," + bytes.toBase64().toStdString();
}

std::string RichBody()
{
    return "<DIV>各位同事：</DIV>"
           "<DIV>本周的<B>项目进度</B>如下，请查阅。The weekly <I>status report</I> "
           "is below; please read it before <U>Friday</U>.</DIV>"
           "<DIV><FONT style=\"font-size: 12px\" color=\"#c00000\">注意：红色十二像素的文字"
           " (12-pixel red text).</FONT></DIV>"
           "<TABLE border=\"1\" cellpadding=\"3\" cellspacing=\"0\">"
           "<TR><TD>任务 Task</TD><TD>负责人 Owner</TD><TD>状态 Status</TD></TR>"
           "<TR><TD>数据库迁移</TD><TD>张三</TD><TD>完成 done</TD></TR>"
           "<TR><TD>附件服务器</TD><TD>李四</TD><TD>进行中</TD></TR></TABLE>"
           "<OL><LI>第一项 first item</LI><LI>第二项 second item</LI></OL>"
           "<UL><LI>要点 bullet one</LI><LI>要点 bullet two</LI></UL>"
           "<DIV>图片 picture: <IMG src=\"" +
           PictureAddress() +
           "\"> <A href=\"http://example.invalid/\">链接 a link</A></DIV>"
           "<HR>"
           "<DIV>此致 Regards,<BR>王五</DIV>";
}

} // namespace

TEST(HtmlViewScreenshot, EditingViewWithSelectionAndReadOnlyView)
{
    auto editor = ShowView(RichBody(), true, 640, 480);
    // Select from inside the Chinese of the second block into its English.
    Position from = At(*editor, "项目进度", 2);
    Position to = At(*editor, "status report", 6);
    ASSERT_FALSE(from.IsNull());
    ASSERT_FALSE(to.IsNull());
    editor->GetDocument().SetSelection(Selection::TextRange(from, to));
    std::string editorShot = ScreenshotPath("html-editor.png");
    ASSERT_TRUE(vellum::ui::RenderToPng(*editor, editorShot));

    auto viewer = ShowView(RichBody(), false, 640, 480);
    std::string viewerShot = ScreenshotPath("html-viewer.png");
    ASSERT_TRUE(vellum::ui::RenderToPng(*viewer, viewerShot));

    QImage editorImage(QString::fromStdString(editorShot));
    QImage viewerImage(QString::fromStdString(viewerShot));
    ASSERT_FALSE(editorImage.isNull());
    ASSERT_FALSE(viewerImage.isNull());
    EXPECT_GT(DistinctColours(editorImage), 20u);
    EXPECT_GT(DistinctColours(viewerImage), 20u);
    // The selection makes the two pictures of the same body differ.
    EXPECT_NE(editorImage, viewerImage);
}
