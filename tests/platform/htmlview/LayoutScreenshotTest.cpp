// Renders a rich body (Chinese and English, a coloured 12-pixel FONT, a
// bordered table, ordered and unordered lists, an image from a data URL, a
// rule and a link) to a picture a person can compare with a browser's
// rendering, and checks the picture has what the body asks for.
#include "LayoutTestSupport.h"
#include "support/Screenshots.h"

#include <QBuffer>

#include <algorithm>

using namespace vellum::html;
using namespace vellum::html::testing;

namespace {

std::string PngDataUrl()
{
    QImage picture(48, 32, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(40 + x * 4, 90 + y * 4, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return "data:image/png;base64," + bytes.toBase64().toStdString();
}

std::string RichBody()
{
    return "<DIV>各位同事：</DIV>"
           "<DIV>本周的<B>项目会议</B>改在周四下午三点，请准时参加。The weekly meeting moves to "
           "<I>Thursday</I> at 3 pm; please be on time.</DIV>"
           "<DIV><FONT style=\"FONT-SIZE: 12px\" color=#cc0000>红色的十二像素字体 red 12px "
           "text</FONT></DIV>"
           "<TABLE border=1 cellpadding=4 cellspacing=0 width=\"80%\"><TBODY>"
           "<TR><TH>项目</TH><TH>负责人</TH><TH>Status</TH></TR>"
           "<TR><TD>邮件模块</TD><TD>张三</TD><TD>done</TD></TR>"
           "<TR><TD>HTML view with a longer description</TD><TD>李四</TD><TD>in progress</TD></TR>"
           "</TBODY></TABLE>"
           "<OL><LI>第一项 first item</LI><LI>第二项 second item"
           "<UL><LI>nested bullet</LI><LI>嵌套的项目</LI></UL></LI><LI>third</LI></OL>"
           "<UL><LI>bullet one</LI><LI>bullet two</LI></UL>"
           "<DIV>An image: <IMG src=\"" +
           PngDataUrl() +
           "\"> inline with text.</DIV>"
           "<HR>"
           "<P align=center>详情请见 <A href=\"http://example.invalid/\">项目主页 project "
           "page</A>。</P>"
           "<H2>标题 Heading</H2><BLOCKQUOTE>引用的文字 quoted text</BLOCKQUOTE>";
}

int CountPixels(const QImage& image, QRgb near, int tolerance)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            QRgb p = image.pixel(x, y);
            count += std::max({std::abs(qRed(p) - qRed(near)), std::abs(qGreen(p) - qGreen(near)),
                               std::abs(qBlue(p) - qBlue(near))}) <= tolerance;
        }
    return count;
}

TEST(LayoutScreenshot, RichBodyRendersItsTextTableListsImageRuleAndLink)
{
    LaidOutBody body(RichBody(), 640);
    QImage shot = Paint(*body.layout);
    ASSERT_TRUE(
        shot.save(QString::fromStdString(vellum::testing::ScreenshotPath("html-layout.png"))));

    // The red FONT text is drawn in red, the link in blue.
    EXPECT_GT(CountPixels(shot, qRgb(0xcc, 0, 0), 40), 30);
    EXPECT_GT(CountPixels(shot, qRgb(0, 0, 255), 40), 30);
    // The image's pixels are where the layout put it.
    QRectF image = body.Rect("IMG");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSizeF(48, 32));
    QRgb corner = shot.pixel(static_cast<int>(image.left()) + 1, static_cast<int>(image.top()) + 1);
    EXPECT_NEAR(qBlue(corner), 200, 10);
    // The table is 80% of the body's width and has a frame.
    QRectF table = body.Rect("TABLE");
    EXPECT_NEAR(table.width(), (640 - 16) * 0.8, 1);
    int darkest = 255;
    for (int y = static_cast<int>(table.top()) - 1; y <= static_cast<int>(table.top()) + 1; ++y)
        darkest = std::min(darkest, qGray(shot.pixel(static_cast<int>(table.left()) + 20, y)));
    EXPECT_LT(darkest, 215);
}

} // namespace
