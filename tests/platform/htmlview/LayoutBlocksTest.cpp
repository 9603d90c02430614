// Block and inline layout: images, rules and links with their hit tests,
// hidden and unknown elements, table frames, captions and nowrap cells,
// inline content beside blocks, collapsing margins, and the painting of
// borders, markers and selections.
#include "LayoutTestSupport.h"
#include "platform/html/Editing.h"

using namespace vellum::html;
using namespace vellum::html::testing;

namespace {

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

} // namespace
