// Incremental relayout: an edit lays out only the block it touched and
// moves the blocks below; a new paragraph builds one box; a load throws
// everything away; a width change relays out. Also selection painting,
// which must change the pixels of the selected text and nothing else.
#include "LayoutTestSupport.h"
#include "platform/html/Editing.h"

using namespace vellum::html;
using namespace vellum::html::testing;

namespace {

std::string Paragraphs(int count)
{
    std::string body;
    for (int i = 0; i < count; ++i)
        body += "<P>paragraph " + std::to_string(i) + " 第" + std::to_string(i) + "段</P>";
    return body;
}

int DifferentPixels(const QImage& a, const QImage& b, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return count;
}

TEST(LayoutIncremental, TypingIntoOneParagraphLaysOutOnlyItAndMovesTheOnesBelow)
{
    LaidOutBody body(Paragraphs(100));
    EXPECT_GE(body.layout->BlocksLaidOutByLastUpdate(), 100u);
    Element* p50 = body.Nth("P", 50);
    QRectF above = body.Rect("P", 10);
    QRectF below = body.Rect("P", 51);
    QRectF last = body.Rect("P", 99);
    int height = body.layout->Height();

    CharacterData* text = body.TextOf(p50)->AsCharacterData();
    text->InsertData(0, u"x");
    body.layout->Update();
    EXPECT_EQ(body.layout->BlocksLaidOutByLastUpdate(), 1u);
    EXPECT_EQ(body.Rect("P", 51), below);
    // Queries after the edit find nothing to do and keep the count.
    body.layout->Update();
    body.layout->ElementRect(*p50);
    EXPECT_EQ(body.layout->BlocksLaidOutByLastUpdate(), 1u);

    // Enough text for several lines: the paragraphs below move down by
    // exactly what the edited one grew, those above stay.
    QRectF before = body.layout->ElementRect(*p50);
    std::u16string longText;
    for (int i = 0; i < 60; ++i)
        longText += u"more words ";
    text->InsertData(1, longText);
    body.layout->Update();
    EXPECT_EQ(body.layout->BlocksLaidOutByLastUpdate(), 1u);
    qreal growth = body.layout->ElementRect(*p50).height() - before.height();
    EXPECT_GT(growth, 30);
    EXPECT_EQ(body.Rect("P", 10), above);
    EXPECT_DOUBLE_EQ(body.Rect("P", 51).top(), below.top() + growth);
    EXPECT_DOUBLE_EQ(body.Rect("P", 99).top(), last.top() + growth);
    EXPECT_NEAR(body.layout->Height(), height + growth, 1);
    // The moved paragraphs still hit-test where they are now.
    Node* text99 = body.TextOf(body.Nth("P", 99));
    QRectF caret = body.layout->CaretRect({text99, 3});
    EXPECT_EQ(body.layout->HitTest(caret.center() + QPointF(0.2, 0)).position,
              Position({text99, 3}));
}

TEST(LayoutIncremental, NewBlocksAndStyleChangesRebuildOnlyWhatTheyTouch)
{
    LaidOutBody body(Paragraphs(100));
    Element* div = body.document.CreateElement("DIV");
    div->AppendChild(body.document.CreateTextNode(u"inserted"));
    body.document.Body()->InsertBefore(div, body.Nth("P", 30));
    body.layout->Update();
    // The new block and nothing else gets laid out; the body is only restacked.
    EXPECT_LE(body.layout->BlocksLaidOutByLastUpdate(), 2u);
    QRectF inserted = body.layout->ElementRect(*div);
    EXPECT_FALSE(inserted.isNull());
    EXPECT_GT(body.Rect("P", 30).top(), inserted.bottom());
    EXPECT_LT(body.Rect("P", 29).bottom(), inserted.top());

    Element* p5 = body.Nth("P", 5);
    qreal height = body.layout->ElementRect(*p5).height();
    p5->SetStyleProperty("font-size", u"30px");
    body.layout->Update();
    EXPECT_EQ(body.layout->BlocksLaidOutByLastUpdate(), 1u);
    EXPECT_GT(body.layout->ElementRect(*p5).height(), 1.5 * height);

    // Removing a block drops its box.
    Element* p6 = body.Nth("P", 6);
    p6->Remove();
    body.layout->Update();
    EXPECT_TRUE(body.layout->ElementRect(*p6).isNull());
    EXPECT_LE(body.layout->BlocksLaidOutByLastUpdate(), 1u);
}

TEST(LayoutIncremental, EditsInsideATableAndAListKeepTheirNeighboursInPlace)
{
    LaidOutBody body(
        "<TABLE border=1><TR><TD>a</TD><TD>b</TD></TR></TABLE><OL><LI>one</LI><LI>two</LI></OL>" +
        Paragraphs(20));
    QRectF b = body.Rect("TD", 1);
    body.TextOf(body.Nth("TD", 0))->AsCharacterData()->InsertData(1, u" wider text now");
    body.layout->Update();
    // The first column grew, so the second cell moved right.
    EXPECT_GT(body.Rect("TD", 1).left(), b.left() + 40);
    EXPECT_LT(body.layout->BlocksLaidOutByLastUpdate(), 6u);

    Element* item = body.document.CreateElement("LI");
    item->AppendChild(body.document.CreateTextNode(u"zero"));
    body.Nth("OL")->InsertBefore(item, body.Nth("LI", 0));
    body.layout->Update();
    EXPECT_LT(body.layout->ElementRect(*item).top(), body.Rect("LI", 1).top());
}

TEST(LayoutIncremental, ALoadReplacesEverythingAndAWidthChangeRelaysOut)
{
    LaidOutBody body(Paragraphs(10));
    int height = body.layout->Height();
    body.document.LoadHtml(u"<HTML><BODY><DIV>only one</DIV></BODY></HTML>");
    EXPECT_LT(body.layout->Height(), height / 3);
    Node* text = body.TextOf(body.Nth("DIV"));
    EXPECT_EQ(body.layout->HitTest({1, 1}).position, Position({text, 0}));

    std::string words;
    for (int i = 0; i < 50; ++i)
        words += "word ";
    body.document.LoadHtml(
        vellum::text::Utf8ToUtf16("<HTML><BODY><DIV>" + words + "</DIV></BODY></HTML>"));
    int wide = body.layout->Height();
    body.layout->SetWidth(150);
    EXPECT_GT(body.layout->Height(), wide * 2);
    EXPECT_EQ(body.layout->Width(), 150);
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

TEST(LayoutIncremental, EditingOneLineOfABrokenParagraphMatchesAFreshLayout)
{
    std::string lines;
    for (int i = 0; i < 200; ++i)
        lines += "line " + std::to_string(i) + " 第" + std::to_string(i) + "行<BR>";
    LaidOutBody body("<DIV>" + lines + "</DIV>", 300);
    Element* div = body.Nth("DIV");
    auto check = [&](const char* step) {
        SCOPED_TRACE(step);
        DocumentLayout fresh(body.document);
        fresh.SetWidth(300);
        ASSERT_EQ(body.layout->Height(), fresh.Height());
        for (std::size_t i = 0; i < div->ChildCount(); i += 7) {
            Node* node = div->ChildAt(i);
            Position end{node, MaxOffset(*node)};
            EXPECT_EQ(body.layout->CaretRect(end), fresh.CaretRect(end)) << i;
        }
    };
    // Longer than the width: the line wraps and everything below moves.
    CharacterData* text = div->ChildAt(100)->AsCharacterData();
    text->InsertData(2, u" a much longer line of words that cannot fit in three hundred pixels");
    check("wrapped");
    // A new forced break in the middle, then one removed.
    Element* br = body.document.CreateElement("BR");
    div->InsertBefore(br, div->ChildAt(50));
    check("inserted break");
    br->Remove();
    div->ChildAt(11)->Remove();
    check("removed break");
    // Alignment changes the whole paragraph.
    div->SetAttribute("align", u"right");
    check("aligned");
    EXPECT_GT(body.layout->CaretRect({div->ChildAt(0), 0}).left(), 100);
}

TEST(LayoutIncremental, SelectedLineBreaksAndEmptyBlocksShowAHighlight)
{
    LaidOutBody body("<DIV>one</DIV><DIV></DIV><DIV>two<BR>three</DIV>");
    QRect area(0, 0, 400, body.layout->Height());
    QImage plain = Paint(*body.layout, area);
    Node* one = body.TextOf(body.Nth("DIV", 0));
    Node* three = body.Nth("DIV", 2)->ChildAt(2);
    body.document.SetTextRange(one, 0, three, 2);
    QImage selected = Paint(*body.layout, area);
    QRectF empty = body.Rect("DIV", 1);
    EXPECT_GT(DifferentPixels(plain, selected, empty.toRect().adjusted(0, 1, 0, -1)), 10);
    // After "two", at its BR.
    Node* two = body.Nth("DIV", 2)->ChildAt(0);
    QRectF afterTwo = body.layout->CaretRect({two, 3});
    QRect mark = QRectF(afterTwo.left() + 1, afterTwo.top() + 2, 2, afterTwo.height() - 4).toRect();
    EXPECT_EQ(DifferentPixels(plain, selected, mark), mark.width() * mark.height());
    // Nothing after "three", where the selection stops.
    QRectF afterThree = body.layout->CaretRect({three, 5});
    QRect none = QRectF(afterThree.left() + 2, afterThree.top(), 20, afterThree.height()).toRect();
    EXPECT_EQ(DifferentPixels(plain, selected, none), 0);
}

} // namespace
