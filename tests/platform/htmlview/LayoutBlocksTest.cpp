// Block layout: table cells in a grid with the border, spacing and padding
// arithmetic, automatic and percentage column widths, list items with
// their markers, FONT sizes, the BODY rule's size, images and links.
#include "LayoutTestSupport.h"

#include <filesystem>

using namespace vellum::html;
using namespace vellum::html::testing;

namespace {

TEST(LayoutTable, CellsSitInAGridSeparatedByBorderSpacingAndPadding)
{
    LaidOutBody body("<TABLE border=2 cellspacing=5 cellpadding=7><TR><TD>a</TD><TD>b</TD></TR>"
                     "<TR><TD>c</TD><TD>d</TD></TR></TABLE>");
    QRectF table = body.Rect("TABLE");
    QRectF a = body.Rect("TD", 0), b = body.Rect("TD", 1), c = body.Rect("TD", 2),
           d = body.Rect("TD", 3);
    EXPECT_DOUBLE_EQ(a.left() - table.left(), 2 + 5);
    EXPECT_DOUBLE_EQ(a.top() - table.top(), 2 + 5);
    EXPECT_DOUBLE_EQ(b.left() - a.right(), 5);
    EXPECT_DOUBLE_EQ(c.top() - a.bottom(), 5);
    EXPECT_DOUBLE_EQ(c.left(), a.left());
    EXPECT_DOUBLE_EQ(d.left(), b.left());
    EXPECT_DOUBLE_EQ(table.right() - b.right(), 5 + 2);
    EXPECT_DOUBLE_EQ(table.bottom() - d.bottom(), 5 + 2);
    // Text starts inside the cell's one-pixel border and its padding.
    Node* text = body.TextOf(body.Nth("TD", 0));
    QRectF caret = body.layout->CaretRect({text, 0});
    EXPECT_DOUBLE_EQ(caret.left() - a.left(), 1 + 7);
    EXPECT_GE(caret.top() - a.top(), 1 + 7 - 0.01);
    // An automatic table is as wide as its content, not the body.
    EXPECT_LT(table.width(), 100);
}

TEST(LayoutTable, AutomaticColumnsGiveTheLongerTextTheWiderColumnAndPercentagesHold)
{
    LaidOutBody body(
        "<TABLE><TR><TD>short</TD><TD>a rather longer text that wants a lot more room than "
        "the first one does, so it must wrap somewhere</TD></TR></TABLE>"
        "<TABLE width=\"50%\"><TR><TD>x</TD></TR></TABLE>"
        "<TABLE width=300 border=1><TR><TD>x</TD><TD>yyyyyyyyyy</TD></TR></TABLE>",
        400);
    QRectF first = body.Rect("TD", 0), second = body.Rect("TD", 1);
    EXPECT_GT(second.width(), 3 * first.width());
    // The short cell is not squeezed below its text.
    Node* text = body.TextOf(body.Nth("TD", 0));
    EXPECT_EQ(body.layout->CaretRect({text, 0}).top(), body.layout->CaretRect({text, 5}).top());
    // The whole table fits the body.
    EXPECT_LE(body.Rect("TABLE", 0).right(), 400 - 8 + 0.5);
    EXPECT_NEAR(body.Rect("TABLE", 1).width(), (400 - 16) * 0.5, 0.5);
    QRectF fixed = body.Rect("TABLE", 2);
    EXPECT_NEAR(fixed.width(), 300, 0.5);
    // Spare room goes mostly to the wider content.
    EXPECT_GT(body.Rect("TD", 4).width(), body.Rect("TD", 3).width());
}

TEST(LayoutTable, SpansCoverTheirColumnsAndRows)
{
    LaidOutBody body(
        "<TABLE border=1 cellspacing=2><TR><TD colspan=2>wide</TD><TD rowspan=2>tall</TD></TR>"
        "<TR><TD>a</TD><TD>b</TD></TR></TABLE>");
    QRectF wide = body.Rect("TD", 0), tall = body.Rect("TD", 1), a = body.Rect("TD", 2),
           b = body.Rect("TD", 3);
    EXPECT_DOUBLE_EQ(wide.left(), a.left());
    EXPECT_DOUBLE_EQ(wide.right(), b.right());
    EXPECT_DOUBLE_EQ(tall.top(), wide.top());
    EXPECT_DOUBLE_EQ(tall.bottom(), b.bottom());
    EXPECT_GT(tall.left(), b.right());
}

TEST(LayoutList, ItemsAreIndentedAndMarkersArePaintedLeftOfThem)
{
    LaidOutBody body("<OL><LI>one</LI><LI>two<UL><LI>inner</LI></UL></LI></OL><DIV>after</DIV>");
    QRectF list = body.Rect("OL");
    QRectF one = body.Rect("LI", 0), two = body.Rect("LI", 1), inner = body.Rect("LI", 2);
    EXPECT_DOUBLE_EQ(one.left() - list.left(), 40);
    EXPECT_DOUBLE_EQ(inner.left() - two.left(), 40);
    EXPECT_NEAR(two.top(), one.bottom(), 0.5);
    // The list has a one-em margin above and below; the nested one none.
    QRectF after = body.Rect("DIV");
    EXPECT_GT(after.top() - list.bottom(), 10);
    EXPECT_NEAR(inner.top(), body.layout->CaretRect({body.TextOf(body.Nth("LI", 1)), 3}).bottom(),
                0.5);

    QImage picture = Paint(*body.layout);
    auto inkLeftOf = [&](const QRectF& item) {
        return DarkPixels(picture, QRect(static_cast<int>(item.left()) - 30,
                                         static_cast<int>(item.top()), 30, 14));
    };
    EXPECT_GT(inkLeftOf(one), 5);
    EXPECT_GT(inkLeftOf(two), 5);
    EXPECT_GT(inkLeftOf(inner), 2);
}

TEST(LayoutFonts, FontSizesAndTheBodyRuleSetLineHeights)
{
    LaidOutBody body("<DIV><FONT size=3>medium</FONT></DIV><DIV><FONT size=5>large</FONT></DIV>"
                     "<DIV><SPAN style=\"FONT-SIZE: 12px\">small</SPAN></DIV><DIV>plain</DIV>");
    auto lineHeight = [&](std::size_t div) { return body.Rect("DIV", div).height(); };
    // size=3 is 16 px and size=5 is 24 px: their lines are in that ratio.
    EXPECT_NEAR(lineHeight(1) / lineHeight(0), 24.0 / 16.0, 0.15);
    EXPECT_LT(lineHeight(2), lineHeight(0));
    LaidOutBody ruled("<DIV>plain</DIV>", 400, "<STYLE>BODY { font-size: 26px }</STYLE>");
    EXPECT_NEAR(ruled.Rect("DIV").height() / lineHeight(3), 2, 0.25);
    // The rule's size is the base a FONT-less paragraph uses; wider text too.
    Node* big = ruled.TextOf(ruled.Nth("DIV"));
    Node* small = body.TextOf(body.Nth("DIV", 3));
    EXPECT_GT(
        ruled.layout->CaretRect({big, 5}).x() - ruled.layout->CaretRect({big, 0}).x(),
        1.5 * (body.layout->CaretRect({small, 5}).x() - body.layout->CaretRect({small, 0}).x()));
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

TEST(LayoutInline, WordsAreFoundAndCrossedWithChineseCharactersAsWordsOfOne)
{
    LaidOutBody body("<DIV>hello world 中文字</DIV>");
    Node* text = body.TextOf(body.Nth("DIV"));
    EXPECT_EQ(body.layout->NextWord({text, 0}), Position({text, 6}));
    EXPECT_EQ(body.layout->NextWord({text, 7}), Position({text, 12}));
    EXPECT_EQ(body.layout->PreviousWord({text, 9}), Position({text, 6}));
    Range world = body.layout->WordAt({text, 8});
    EXPECT_EQ(world.start, Position({text, 6}));
    EXPECT_EQ(world.end, Position({text, 11}));
    Range han = body.layout->WordAt({text, 13});
    EXPECT_EQ(han.end.offset - han.start.offset, 1u);
    Range none = body.layout->WordAt({text, 5});
    EXPECT_EQ(none.start.offset, 0u); // at the end of "hello" the word before counts
    EXPECT_EQ(none.end.offset, 5u);
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

TEST(LayoutFlow, PageMovesGoAboutTheRequestedDistance)
{
    std::string body;
    for (int i = 0; i < 100; ++i)
        body += "<DIV>line " + std::to_string(i) + "</DIV>";
    LaidOutBody laid(body);
    Node* first = laid.TextOf(laid.Nth("DIV", 0));
    QRectF start = laid.layout->CaretRect({first, 2});
    Position down = laid.layout->MoveByPixels({first, 2}, start.x(), 300);
    QRectF moved = laid.layout->CaretRect(down);
    EXPECT_NEAR(moved.top() - start.top(), 300, start.height());
    EXPECT_NEAR(moved.x(), start.x(), 8);
    Position back = laid.layout->MoveByPixels(down, start.x(), -300);
    EXPECT_EQ(back, Position({first, 2}));
    // Past the end: the last line.
    Position end = laid.layout->MoveByPixels({first, 2}, start.x(), 1e6);
    EXPECT_EQ(end.node, laid.TextOf(laid.Nth("DIV", 99)));
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

TEST(LayoutFlow, ContentWidthGrowsWithWhatSticksOutOnTheRight)
{
    LaidOutBody narrow("<DIV>short</DIV>");
    EXPECT_EQ(narrow.layout->ContentWidth(), 400);
    LaidOutBody image("<DIV><IMG width=700 height=10 src=\"x.png\"></DIV>");
    EXPECT_NEAR(image.layout->ContentWidth(), 8 + 700 + 8, 1);
    LaidOutBody table("<TABLE><TR><TD><IMG width=600 height=10></TD></TR></TABLE>");
    EXPECT_GT(table.layout->ContentWidth(), 600 + 8);
    // It follows edits: the wide image removed, the width is back.
    image.Nth("IMG")->Remove();
    EXPECT_EQ(image.layout->ContentWidth(), 400);
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

TEST(LayoutInline, LocalPicturesTakeTheirNaturalSizeAndRemoteOnesAPlaceholder)
{
    std::filesystem::path folder = std::filesystem::path(VELLUM_BINARY_DIR) / "layout-images";
    std::filesystem::create_directories(folder);
    QImage picture(37, 23, QImage::Format_RGB32);
    picture.fill(QColor(10, 200, 30));
    ASSERT_TRUE(picture.save(QString::fromStdString((folder / "pic.png").string())));
    vellum::ui::EnsureApplication();
    Document document;
    std::u16string url =
        u"file://" + QString::fromStdString((folder / "mail.html").string()).toStdU16String();
    document.LoadHtml(u"<HTML><BODY><IMG src=\"pic.png\"><IMG src=\"http://example.invalid/a.png\">"
                      u"<IMG src=\"pic.png\" width=74></BODY></HTML>",
                      url);
    DocumentLayout layout(document);
    layout.SetWidth(400);
    auto images = document.Body()->GetElementsByTagName("IMG");
    ASSERT_EQ(images.size(), 3u);
    QRectF local = layout.ElementRect(*images[0]);
    EXPECT_EQ(local.size(), QSizeF(37, 23));
    QRectF remote = layout.ElementRect(*images[1]);
    EXPECT_EQ(remote.size(), QSizeF(24, 24));
    EXPECT_EQ(layout.ElementRect(*images[2]).size(), QSizeF(74, 46)); // the shape is kept
    QImage shot = Paint(layout);
    EXPECT_EQ(shot.pixel(local.center().toPoint()), qRgb(10, 200, 30));
    EXPECT_NE(shot.pixel(remote.topLeft().toPoint() + QPoint(1, 1)),
              qRgb(255, 255, 255)); // its frame
}

TEST(LayoutTable, ShortCellsAreCentredVerticallyUnlessVAlignSaysOtherwise)
{
    LaidOutBody body(
        "<TABLE><TR><TD>a<BR>b<BR>c<BR>d</TD><TD>mid</TD><TD valign=top>top</TD>"
        "<TD valign=bottom>low</TD></TR><TR valign=top><TD>1<BR>2</TD><TD>row</TD></TR></TABLE>");
    QRectF cell = body.Rect("TD", 1);
    auto top = [&](std::size_t n) {
        return body.layout->CaretRect({body.TextOf(body.Nth("TD", n)), 0});
    };
    EXPECT_NEAR(top(1).center().y(), cell.center().y(), 1);
    EXPECT_NEAR(top(2).top(), body.Rect("TD", 2).top() + 1, 0.5);
    EXPECT_NEAR(top(3).bottom(), body.Rect("TD", 3).bottom() - 1, 0.5);
    EXPECT_NEAR(top(5).top(), body.Rect("TD", 5).top() + 1, 0.5); // the row's VALIGN
}

} // namespace
