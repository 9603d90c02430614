// Paragraph layout and caret geometry on plain blocks: hit-testing against
// the laid-out characters, caret rectangles, line breaking at the width,
// Home/End, up/down keeping the column, and character movement.
#include "LayoutTestSupport.h"

using namespace vellum::html;
using vellum::html::testing::LaidOutBody;

namespace {

TEST(LayoutParagraph, HomeEndAndUpDownStayOnTheirLinesAndKeepTheColumn)
{
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "abcd ";
    LaidOutBody body("<DIV>" + text + "</DIV><DIV>tail</DIV>", 150);
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

TEST(LayoutParagraph, TheEndOfAWrappedChineseLineShowsOnTheUpperLineWithThatAffinity)
{
    std::string chinese;
    for (int i = 0; i < 40; ++i)
        chinese += "中文";
    LaidOutBody body("<DIV>" + chinese + "</DIV>", 200);
    Node* text = body.TextOf(body.Nth("DIV"));
    QRectF first = body.layout->CaretRect({text, 0});
    Position end = body.layout->LineEnd({text, 1});
    QRectF lower = body.layout->CaretRect(end);
    QRectF upper = body.layout->CaretRect(end, CaretAffinity::PreviousLine);
    EXPECT_EQ(upper.top(), first.top());
    EXPECT_GT(upper.left(), 150);
    EXPECT_NEAR(lower.top(), first.bottom(), 0.5);
    EXPECT_NEAR(lower.left(), first.left(), 0.5);
    // Mid-line positions ignore the affinity.
    EXPECT_EQ(body.layout->CaretRect({text, 3}, CaretAffinity::PreviousLine),
              body.layout->CaretRect({text, 3}));
    // A click right of the upper line's end lands there, on the upper line.
    HitResult beyond = body.layout->HitTest({199, first.center().y()});
    EXPECT_EQ(beyond.position, end);
    EXPECT_EQ(beyond.affinity, CaretAffinity::PreviousLine);
    HitResult inside = body.layout->HitTest({first.left() + 1, first.center().y()});
    EXPECT_EQ(inside.affinity, CaretAffinity::NextLine);
    // Home from there goes to the start of the upper line; down from there
    // to the lower line's end, not two lines down.
    EXPECT_EQ(body.layout->LineStart(end, CaretAffinity::PreviousLine), Position({text, 0}));
    Position down = body.layout->LineBelow(end, upper.left());
    EXPECT_NEAR(body.layout->CaretRect(down, CaretAffinity::PreviousLine).top(), lower.top(), 0.5);
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

} // namespace
