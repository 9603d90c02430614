// The layout of paragraphs, blocks and inline content: caret movement and
// geometry on plain and wrapped lines, hit tests on images, links, tables
// and aligned text, margins and flow, the painting of borders, markers and
// selections, and a rich body drawn to a screenshot a person can compare
// with a browser's rendering, checked for what the body asks for.
#include "LayoutTestSupport.h"
#include "html/Editing.h"
#include "htmlview/ImageCache.h"
#include "htmlview/LayoutStyle.h"
#include "support/Screenshots.h"

#include <algorithm>

using namespace vellum::html;
using namespace vellum::html::testing;

namespace {

TEST(LayoutParagraph, HomeEndAndUpDownStayOnTheirLinesAndKeepTheColumn)
{
    LaidOutBody body("<DIV>" + Repeat("abcd ", 30) + "</DIV><DIV>tail</DIV>", 150);
    Node* node = body.TextOf(body.Nth("DIV", 0));
    Node* tail = body.TextOf(body.Nth("DIV", 1));
    Position middle{node, 12};
    QRectF caret = body.layout->CaretRect(middle);
    Position home = body.layout->LineStart(middle);
    Position end = body.layout->LineEnd(middle);
    EXPECT_LE(home.offset, 12u);
    EXPECT_GE(end.offset, 12u);
    EXPECT_EQ(body.layout->CaretRect(home).top(), caret.top());
    EXPECT_EQ(body.layout->CaretRect(end).top(), caret.top());
    EXPECT_LT(body.layout->CaretRect(home).x(), caret.x());
    EXPECT_GT(body.layout->CaretRect(end).x(), caret.x());

    Position below = body.layout->LineBelow(middle, caret.x());
    QRectF belowRect = body.layout->CaretRect(below);
    EXPECT_NEAR(belowRect.top(), caret.bottom(), 0.5);
    EXPECT_NEAR(belowRect.x(), caret.x(), 8);
    EXPECT_EQ(body.layout->LineAbove(below, caret.x()), middle);
    // From the first line there is nothing above; from the last line of
    // the text, down goes into the next block.
    Position top{node, 1};
    EXPECT_EQ(body.layout->LineAbove(top, body.layout->CaretRect(top).x()), top);
    Position last{node, node->AsCharacterData()->Length() - 1};
    Position next = body.layout->LineBelow(last, 0);
    EXPECT_EQ(next.node, tail);
}

TEST(LayoutParagraph, AlignedLinesHitTestAndPlaceTheCaretWhereTheTextIs)
{
    LaidOutBody body(
        "<DIV align=center>mid</DIV><P style=\"text-align: right\">end</P><DIV>left</DIV>");
    Node* mid = body.TextOf(body.Nth("DIV", 0));
    Node* end = body.TextOf(body.Nth("P"));
    QRectF midStart = body.layout->CaretRect({mid, 0}), midEnd = body.layout->CaretRect({mid, 3});
    EXPECT_NEAR((midStart.left() + midEnd.left()) / 2, 200, 2);
    QRectF endEnd = body.layout->CaretRect({end, 3});
    EXPECT_NEAR(endEnd.left(), 400 - 8, 1);
    // Clicks left of centred or right-aligned text land at its start.
    EXPECT_EQ(body.layout->HitTest({20, midStart.center().y()}).position, Position({mid, 0}));
    EXPECT_EQ(body.layout->HitTest({20, endEnd.center().y()}).position, Position({end, 0}));
    QRectF second = body.layout->CaretRect({mid, 1});
    EXPECT_EQ(body.layout->HitTest({second.left() + 1, second.center().y()}).position,
              Position({mid, 1}));
}

TEST(LayoutInline, ImagesTakeTheirSizeAndCaretStepsOverThemAndLinksAreHit)
{
    LaidOutBody body(
        "<DIV>a<IMG width=60 height=40 src=\"missing.png\">b <A href=\"x.html\">link</A></DIV>"
        "<HR><DIV>after</DIV>");
    Element* image = body.Nth("IMG");
    QRectF rect = body.layout->ElementRect(*image);
    EXPECT_EQ(rect.size(), QSizeF(60, 40));
    Element* div = body.Nth("DIV");
    Node* a = div->ChildAt(0);
    Node* b = div->ChildAt(2);
    EXPECT_EQ(body.layout->NextCharacter({a, 1}), Position({b, 0}));
    EXPECT_EQ(body.layout->PreviousCharacter({b, 0}), Position({a, 1}));
    // The line is tall enough for the image; text sits on its bottom.
    EXPECT_GE(body.Rect("DIV").height(), 40);
    QRectF caret = body.layout->CaretRect({b, 0});
    EXPECT_NEAR(caret.left(), rect.right(), 0.5);
    HitResult onImage = body.layout->HitTest(rect.center());
    EXPECT_EQ(onImage.control, image);
    EXPECT_EQ(onImage.link, nullptr);
    Node* linkText = body.Nth("A")->ChildAt(0);
    QRectF linkCaret = body.layout->CaretRect({linkText, 1});
    HitResult onLink = body.layout->HitTest(linkCaret.center());
    EXPECT_EQ(onLink.link, body.Nth("A"));
    EXPECT_EQ(onLink.control, nullptr);
    // The rule spans the body between the blocks, and has no caret place.
    QRectF rule = body.Rect("HR");
    EXPECT_NEAR(rule.width(), 400 - 16, 0.5);
    EXPECT_GT(rule.top(), body.Rect("DIV", 0).bottom());
    EXPECT_LT(rule.bottom(), body.Rect("DIV", 1).top());
    EXPECT_EQ(body.layout->CaretPosition(PositionBefore(*body.Nth("HR"))), Position({linkText, 4}));
    EXPECT_EQ(body.layout->CaretPosition(PositionAfter(*body.Nth("HR"))),
              Position({body.TextOf(body.Nth("DIV", 1)), 0}));
}

TEST(LayoutInline, HiddenElementsAndCommentsAreNotShownAndUnknownOnesShowTheirContent)
{
    LaidOutBody body(
        "<DIV>a<SCRIPT>var x;</SCRIPT><!-- note --><STYLE>p{}</STYLE><BLINKY>b</BLINKY></DIV>");
    Element* div = body.Nth("DIV");
    Node* a = div->ChildAt(0);
    QRectF start = body.layout->CaretRect({a, 0});
    Node* b = body.Nth("BLINKY")->ChildAt(0);
    QRectF afterB = body.layout->CaretRect({b, 1});
    // Only "ab" on one line: two characters wide.
    EXPECT_EQ(afterB.top(), start.top());
    EXPECT_LT(afterB.x() - start.x(), 20);
    EXPECT_EQ(body.layout->NextCharacter({a, 1}), Position({b, 1}));
}

TEST(LayoutStyle, ColoursReadOnceStillTellApartTheTextsThatNameThem)
{
    // The second round answers from what the first one remembered.
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(ParseColor(u"red"), QColor(255, 0, 0));
        EXPECT_EQ(ParseColor(u"Blue"), QColor(0, 0, 255));
        EXPECT_EQ(ParseColor(u"00ff00"), QColor(0, 255, 0));
        EXPECT_EQ(ParseColor(u" rgb(1, 2, 3) "), QColor(1, 2, 3));
        EXPECT_FALSE(ParseColor(u"reddish").isValid());
    }
}

TEST(LayoutTable, AClickOnTheFrameSelectsTheTableAndOneInACellDoesNot)
{
    LaidOutBody body(
        "<CENTER><TABLE border=3 cellspacing=6><TR><TD>cell</TD></TR></TABLE></CENTER>");
    Element* table = body.Nth("TABLE");
    QRectF frame = body.layout->ElementRect(*table);
    QRectF cell = body.Rect("TD");
    // Centred in the body (400 wide, 8 px margins).
    EXPECT_NEAR(frame.center().x(), 200, 1);
    EXPECT_EQ(body.layout->HitTest({frame.left() + 1, frame.center().y()}).control, table);
    EXPECT_EQ(body.layout->HitTest({cell.left() - 3, cell.center().y()}).control, table);
    HitResult inCell = body.layout->HitTest(cell.center());
    EXPECT_EQ(inCell.control, nullptr);
    EXPECT_EQ(inCell.position.node, body.TextOf(body.Nth("TD")));
}

TEST(LayoutFlow, InlineContentBesideBlocksAndInlineElementsAroundBlocksLayOut)
{
    LaidOutBody body(
        "loose text<DIV>block</DIV>more loose<FONT color=red><DIV>inside font</DIV></FONT>");
    Element* bodyElement = body.document.Body();
    Node* loose = bodyElement->ChildAt(0);
    Node* block = body.TextOf(body.Nth("DIV", 0));
    Node* more = bodyElement->ChildAt(2);
    Node* inside = body.TextOf(body.Nth("DIV", 1));
    qreal y1 = body.layout->CaretRect({loose, 0}).top();
    qreal y2 = body.layout->CaretRect({block, 0}).top();
    qreal y3 = body.layout->CaretRect({more, 0}).top();
    qreal y4 = body.layout->CaretRect({inside, 0}).top();
    EXPECT_LT(y1, y2);
    EXPECT_LT(y2, y3);
    EXPECT_LT(y3, y4);
    EXPECT_EQ(body.layout->NextCharacter({loose, 10}), Position({block, 0}));
    EXPECT_EQ(body.layout->NextCharacter({block, 5}), Position({more, 0}));
    // Typing into the loose text relays out its anonymous block alone.
    loose->AsCharacterData()->InsertData(0, u"x");
    body.layout->Update();
    EXPECT_EQ(body.layout->BlocksLaidOutByLastUpdate(), 1u);
    EXPECT_EQ(body.layout->CaretPosition({loose, 11}), Position({loose, 11}));
}

TEST(LayoutFlow, VerticalMarginsCollapseBetweenSiblingsAndThroughParents)
{
    LaidOutBody body(
        "<P>a</P><DIV><P>b</P></DIV><P>c</P><DIV style=\"padding-top: 4px\"><P>d</P></DIV>");
    QRectF a = body.Rect("P", 0), b = body.Rect("P", 1), c = body.Rect("P", 2),
           d = body.Rect("P", 3);
    QRectF padded = body.Rect("DIV", 1);
    qreal em = 13;
    // The body's 8 px margin and the paragraph's one em collapse to the larger.
    EXPECT_NEAR(a.top(), em, 0.5);
    EXPECT_NEAR(b.top() - a.bottom(), em, 0.5);
    EXPECT_NEAR(c.top() - b.bottom(), em, 0.5);
    // Padding keeps the child's margin inside its parent.
    EXPECT_NEAR(d.top() - padded.top(), 4 + em, 0.5);
    EXPECT_NEAR(padded.top() - c.bottom(), em, 0.5);
    EXPECT_NEAR(body.layout->Height() - d.bottom(), em, 1);
}

TEST(LayoutTable, CaptionsSitAboveAndNowrapCellsKeepTheirLinesWhole)
{
    LaidOutBody body(
        "<TABLE border=1><CAPTION>表格标题</CAPTION><TR><TD nowrap>one two three four five six</TD>"
        "<TD>seven eight nine ten eleven twelve thirteen fourteen fifteen "
        "sixteen</TD></TR></TABLE>",
        300);
    QRectF caption = body.Rect("CAPTION");
    QRectF table = body.Rect("TABLE");
    ASSERT_FALSE(caption.isNull());
    EXPECT_LE(caption.bottom(), table.top() + 0.5);
    Node* captionText = body.TextOf(body.Nth("CAPTION"));
    EXPECT_GT(body.layout->CaretRect({captionText, 0}).left(), caption.left() + 20); // centred
    Node* nowrap = body.TextOf(body.Nth("TD", 0));
    EXPECT_EQ(body.layout->CaretRect({nowrap, 0}).top(),
              body.layout->CaretRect({nowrap, nowrap->AsCharacterData()->Length()}).top());
    EXPECT_EQ(body.layout->NextCharacter({nowrap, 0}), Position({nowrap, 1}));
}

TEST(LayoutInline, ImageBordersCellHeightsAndUnmarkedListsFollowTheirAttributes)
{
    LaidOutBody body("<DIV><IMG width=30 height=20 border=2></DIV>"
                     "<TABLE><TR><TD height=80>tall</TD></TR></TABLE>"
                     "<UL style=\"list-style: none\"><LI>plain</LI></UL>");
    EXPECT_EQ(body.Rect("IMG").size(), QSizeF(34, 24));
    EXPECT_GE(body.Rect("TD").height(), 80);
    QImage picture = Paint(*body.layout);
    QRect item = body.Rect("LI").toRect();
    EXPECT_EQ(DarkPixels(picture, QRect(item.left() - 30, item.top(), 30, item.height())), 0);
    // The image's border is drawn in the text colour.
    QRectF image = body.Rect("IMG");
    EXPECT_LT(
        qGray(picture.pixel(static_cast<int>(image.left()) + 10, static_cast<int>(image.top()))),
        60);
}

int DifferentPixels(const QImage& a, const QImage& b, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return count;
}

TEST(LayoutIncremental, SelectionPaintsHighlightedRunsOverTheSelectedTextOnly)
{
    LaidOutBody body("<DIV>first line of text</DIV><DIV>second line of text</DIV><DIV>"
                     "<IMG width=30 height=30 src=\"none.png\"></DIV>");
    QRect area(0, 0, 400, body.layout->Height());
    QImage plain = Paint(*body.layout, area);
    Node* first = body.TextOf(body.Nth("DIV", 0));
    body.document.SetTextRange(first, 6, first, 10); // "line"
    QImage selected = Paint(*body.layout, area);
    QRectF from = body.layout->CaretRect({first, 6});
    QRectF to = body.layout->CaretRect({first, 10});
    QRect inside =
        QRectF(from.left() + 1, from.top() + 1, to.left() - from.left() - 2, from.height() - 2)
            .toRect();
    EXPECT_GT(DifferentPixels(plain, selected, inside), inside.width() * inside.height() / 2);
    QRect outside(0, 0, area.width(), static_cast<int>(from.top()) - 1);
    EXPECT_EQ(DifferentPixels(plain, selected, outside), 0);
    QRectF second = body.Rect("DIV", 1);
    EXPECT_EQ(DifferentPixels(plain, selected, second.toRect().adjusted(0, 1, 0, 0)), 0);
    // Not shown when the caller says so.
    EXPECT_EQ(DifferentPixels(plain, Paint(*body.layout, area, false), area), 0);

    // A control selection frames the image with handles around it.
    Element* image = body.Nth("IMG");
    body.document.SetSelection(Selection::Controls({image}));
    QImage framed = Paint(*body.layout, area);
    QRect frame = body.layout->ElementRect(*image).toRect().adjusted(-3, -3, 3, 3);
    EXPECT_GT(DifferentPixels(plain, framed, frame), 20);
    EXPECT_EQ(DifferentPixels(plain, framed, QRect(0, 0, area.width(), frame.top() - 2)), 0);
}

std::string PngDataUrl()
{
    QImage picture(48, 32, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(40 + x * 4, 90 + y * 4, 200));
    return vellum::testing::PngDataAddress(picture);
}

// A picture of `colour` with grain, so that its data URL is a long source.
std::string GrainyPngDataUrl(QRgb colour)
{
    QImage picture(64, 64, QImage::Format_RGB32);
    unsigned state = colour;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            picture.setPixel(x, y, colour ^ (state >> 29) * 0x10001u);
        }
    return vellum::testing::PngDataAddress(picture);
}

// Long sources are compared where they stand, in the attribute of the IMG
// first laid out with them; the pictures still follow every change and undo.
TEST(LayoutInline, PicturesOfLongSourcesFollowTheirAttributesThroughChangesAndUndo)
{
    const std::string red = GrainyPngDataUrl(qRgb(220, 20, 20));
    const std::u16string blue = vellum::text::Utf8ToUtf16(GrainyPngDataUrl(qRgb(20, 20, 220)));
    ASSERT_GE(red.size(), Picture::kLongSource);
    LaidOutBody body("<P><IMG src=\"" + red + "\"> <IMG src=\"" + red + "\"></P>");
    // Each step makes one picture blue, or (-1) undoes the last step.
    const struct
    {
        int makeBlue;
        int firstRed, secondRed; // red channel where each picture shows
    } steps[] = {{0, 20, 220}, {1, 20, 20}, {-1, 20, 220}, {-1, 220, 220}};
    for (const auto& step : steps) {
        if (step.makeBlue < 0) {
            body.document.Undo();
        } else {
            Document::EditStep edit(body.document, "source");
            body.Nth("IMG", static_cast<std::size_t>(step.makeBlue))->SetAttribute("src", blue);
        }
        body.layout->Update();
        const QImage shot = Paint(*body.layout);
        EXPECT_NEAR(qRed(shot.pixel(body.Rect("IMG", 0).center().toPoint())), step.firstRed, 12);
        EXPECT_NEAR(qRed(shot.pixel(body.Rect("IMG", 1).center().toPoint())), step.secondRed, 12);
    }
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
