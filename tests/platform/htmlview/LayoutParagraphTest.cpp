// Paragraph layout and caret geometry on plain blocks: hit-testing against
// the laid-out characters, caret rectangles, line breaking at the width,
// Home/End, up/down keeping the column, and character movement.
#include "LayoutTestSupport.h"

using namespace vellum::html;
using vellum::html::testing::LaidOutBody;

namespace {

Position At(Node* node, std::size_t offset)
{
    return {node, offset};
}

// A point a little right of character i's left edge lands before it, a
// little left of its right edge after it.
void ExpectHitsAroundCharacter(const LaidOutBody& body, Node* text, std::size_t i)
{
    QRectF left = body.layout->CaretRect(At(text, i));
    QRectF right = body.layout->CaretRect(At(text, i + 1));
    qreal y = left.center().y();
    EXPECT_EQ(body.layout->HitTest({left.x() + (right.x() - left.x()) * 0.25, y}).position,
              At(text, i))
        << i;
    EXPECT_EQ(body.layout->HitTest({left.x() + (right.x() - left.x()) * 0.75, y}).position,
              At(text, i + 1))
        << i;
}

TEST(LayoutParagraph, HitTestFindsTheCharacterUnderThePointAndCaretXGrowsAlongTheLine)
{
    LaidOutBody body("<DIV>abcdefghij</DIV>");
    Node* text = body.TextOf(body.Nth("DIV"));
    qreal previous = -1;
    for (std::size_t i = 0; i <= 10; ++i) {
        QRectF caret = body.layout->CaretRect(At(text, i));
        ASSERT_FALSE(caret.isNull() && caret.height() == 0) << i;
        EXPECT_GT(caret.x(), previous) << i;
        EXPECT_GT(caret.height(), 8);
        previous = caret.x();
    }
    for (std::size_t i = 0; i < 10; ++i)
        ExpectHitsAroundCharacter(body, text, i);
}

TEST(LayoutParagraph, ClicksBesideAndBelowTheTextGoToTheNearestPlace)
{
    LaidOutBody body("<DIV>first</DIV><DIV>second line</DIV>");
    Node* first = body.TextOf(body.Nth("DIV", 0));
    Node* second = body.TextOf(body.Nth("DIV", 1));
    QRectF start = body.layout->CaretRect(At(first, 0));
    // Left of the text, right of it, and far below the last line.
    EXPECT_EQ(body.layout->HitTest({0, start.center().y()}).position, At(first, 0));
    EXPECT_EQ(body.layout->HitTest({390, start.center().y()}).position, At(first, 5));
    EXPECT_EQ(body.layout->HitTest({1, body.layout->Height() + 200.0}).position, At(second, 11));
    EXPECT_EQ(body.layout->HitTest({1, -50}).position, At(first, 0));
}

TEST(LayoutParagraph, WhiteSpaceCollapsesAndHasNoCaretPlace)
{
    LaidOutBody body("<DIV>  a   b  </DIV>");
    Node* text = body.TextOf(body.Nth("DIV"));
    // Characters: "  a   b  "; visible: "a b".
    Position a = body.layout->CaretPosition(At(text, 0));
    EXPECT_EQ(a, At(text, 2));
    Position afterA = body.layout->NextCharacter(a);
    EXPECT_EQ(afterA, At(text, 3));
    Position beforeB = body.layout->NextCharacter(afterA);
    EXPECT_EQ(beforeB, At(text, 6));
    Position end = body.layout->NextCharacter(beforeB);
    EXPECT_EQ(end, At(text, 7));
    EXPECT_EQ(body.layout->NextCharacter(end), end); // nowhere to go
    // One space's width between a and b, however many were written.
    QRectF x1 = body.layout->CaretRect(afterA);
    QRectF x2 = body.layout->CaretRect(beforeB);
    EXPECT_LT(x2.x() - x1.x(), 8);
    EXPECT_GT(x2.x() - x1.x(), 1);
}

TEST(LayoutParagraph, LinesBreakAtTheWidthForEnglishAndForChineseWithoutSpaces)
{
    std::string english;
    for (int i = 0; i < 40; ++i)
        english += "word ";
    std::string chinese;
    for (int i = 0; i < 60; ++i)
        chinese += "中文";
    LaidOutBody body("<DIV>" + english + "</DIV><DIV>" + chinese + "</DIV>", 200);
    for (Element* div : {body.Nth("DIV", 0), body.Nth("DIV", 1)}) {
        QRectF rect = body.layout->ElementRect(*div);
        ASSERT_FALSE(rect.isNull());
        EXPECT_LE(rect.width(), 200);
        Node* text = body.TextOf(div);
        std::size_t length = text->AsCharacterData()->Length();
        // Several lines, and no caret beyond the block's right edge.
        QRectF first = body.layout->CaretRect(At(text, 0));
        QRectF last = body.layout->CaretRect(At(text, length));
        EXPECT_GT(last.top(), first.top() + 3 * first.height() - 1);
        for (std::size_t i = 0; i <= length; i += 7)
            EXPECT_LE(body.layout->CaretRect(At(text, i)).x(), rect.right() + 0.5) << i;
    }
    // The Chinese lines are full: the first one's last character ends
    // within a character of the edge.
    Node* chineseText = body.TextOf(body.Nth("DIV", 1));
    Position lineEnd = body.layout->LineEnd(At(chineseText, 0));
    ASSERT_GT(lineEnd.offset, 1u);
    ASSERT_LT(lineEnd.offset, chineseText->AsCharacterData()->Length());
    QRectF lastCharacter = body.layout->CaretRect(At(chineseText, lineEnd.offset - 1));
    QRectF block = body.Rect("DIV", 1);
    EXPECT_EQ(lastCharacter.top(), body.layout->CaretRect(At(chineseText, 0)).top());
    EXPECT_GT(lastCharacter.x(), block.right() - 30);
}

TEST(LayoutParagraph, HomeEndAndUpDownStayOnTheirLinesAndKeepTheColumn)
{
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "abcd ";
    LaidOutBody body("<DIV>" + text + "</DIV><DIV>tail</DIV>", 150);
    Node* node = body.TextOf(body.Nth("DIV", 0));
    Node* tail = body.TextOf(body.Nth("DIV", 1));
    Position middle = At(node, 12);
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
    Position top = At(node, 1);
    EXPECT_EQ(body.layout->LineAbove(top, body.layout->CaretRect(top).x()), top);
    Position last = At(node, node->AsCharacterData()->Length() - 1);
    Position next = body.layout->LineBelow(last, 0);
    EXPECT_EQ(next.node, tail);
}

TEST(LayoutParagraph, CharacterMovementCrossesBlocksAndAnEmptyBlockHasOnePlace)
{
    LaidOutBody body("<DIV>ab</DIV><DIV></DIV><P>cd</P>");
    Node* ab = body.TextOf(body.Nth("DIV", 0));
    Element* empty = body.Nth("DIV", 1);
    Node* cd = body.TextOf(body.Nth("P"));
    Position p = At(ab, 2);
    p = body.layout->NextCharacter(p);
    EXPECT_EQ(p, At(empty, 0));
    EXPECT_GT(body.layout->CaretRect(p).height(), 8);
    p = body.layout->NextCharacter(p);
    EXPECT_EQ(p, At(cd, 0));
    p = body.layout->PreviousCharacter(p);
    EXPECT_EQ(p, At(empty, 0));
    p = body.layout->PreviousCharacter(p);
    EXPECT_EQ(p, At(ab, 2));
    EXPECT_EQ(body.layout->PreviousCharacter(At(ab, 0)), At(ab, 0));
    // A position between the blocks normalizes into the text next to it.
    EXPECT_EQ(body.layout->CaretPosition({body.document.Body(), 2}), At(cd, 0));
    // The paragraph's margin puts it below the empty block, not on it.
    EXPECT_GT(body.layout->CaretRect(At(cd, 0)).top(),
              body.layout->CaretRect(At(empty, 0)).bottom() + 5);
}

TEST(LayoutParagraph, BreakStartsANewLineAndATrailingBreakDoesNot)
{
    LaidOutBody body("<DIV>one<BR>two<BR></DIV><DIV>x</DIV>");
    Element* div = body.Nth("DIV");
    Node* one = div->ChildAt(0);
    Node* two = div->ChildAt(2);
    QRectF r1 = body.layout->CaretRect(At(one, 0));
    QRectF r2 = body.layout->CaretRect(At(two, 0));
    EXPECT_NEAR(r2.top(), r1.bottom(), 0.5);
    EXPECT_NEAR(r2.x(), r1.x(), 0.5);
    // Two lines tall, not three.
    EXPECT_NEAR(body.layout->ElementRect(*div).height(), 2 * r1.height(), 1);
    // After "one", right arrow passes the BR to the start of "two".
    EXPECT_EQ(body.layout->NextCharacter(At(one, 3)), At(two, 0));
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

TEST(LayoutParagraph, AWordLongerThanTheLineKeepsItsCaretPlacesAndHitsWhereTheGlyphsAre)
{
    LaidOutBody body("<DIV>" + std::string(120, 'w') + "</DIV>", 284);
    Node* text = body.TextOf(body.Nth("DIV"));
    ASSERT_GT(body.layout->ContentWidth(), 284);
    qreal previous = -1;
    for (std::size_t i = 0; i <= 120; ++i) {
        QRectF caret = body.layout->CaretRect(At(text, i));
        EXPECT_GT(caret.x(), previous) << i;
        previous = caret.x();
    }
    // The end of the word is one character further on, inside the
    // document's content (which adds the body's margin).
    qreal step =
        body.layout->CaretRect(At(text, 119)).x() - body.layout->CaretRect(At(text, 118)).x();
    for (CaretAffinity affinity : {CaretAffinity::NextLine, CaretAffinity::PreviousLine}) {
        qreal end = body.layout->CaretRect(At(text, 120), affinity).x();
        EXPECT_NEAR(end - body.layout->CaretRect(At(text, 119)).x(), step, 1);
        EXPECT_LE(end, body.layout->ContentWidth());
    }
    // Clicks on the part sticking out find their characters.
    for (std::size_t i : {60u, 100u, 119u})
        ExpectHitsAroundCharacter(body, text, i);
    EXPECT_EQ(body.layout->HitTest({body.layout->ContentWidth() + 50.0, 5}).position,
              At(text, 120));
}

} // namespace
