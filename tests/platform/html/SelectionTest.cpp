// Selections and editing at them: positions, range text and parent
// element, control selections, typing, deleting, paste and their undo.
#include "HtmlTestSupport.h"
#include "platform/html/Editing.h"

using namespace vellum;
using namespace vellum::html;
using namespace vellum::html::testing;

TEST(HtmlSelection, KindsAndTheirParentElements)
{
    Document document;
    LoadBody(document,
             "<DIV>one <FONT size=\"2\">two</FONT></DIV><P>three</P><IMG src=\"/a.gif\">");
    EXPECT_TRUE(document.GetSelection().IsNone());
    CaretIn(document, "two", 1);
    EXPECT_TRUE(document.GetSelection().IsCaret());
    EXPECT_TRUE(RangeParentElement(document.GetSelection().GetRange())->HasTagName("FONT"));
    SelectText(document, "one");
    EXPECT_TRUE(RangeParentElement(document.GetSelection().GetRange())->HasTagName("DIV"));
    document.SetTextRange(FindText(document, "two"), 1, FindText(document, "three"), 2);
    EXPECT_TRUE(RangeParentElement(document.GetSelection().GetRange())->HasTagName("BODY"));
    EXPECT_EQ(Utf8(RangeText(document.GetSelection().GetRange())), "wo\r\nth");
    Element* image = document.GetElementsByTagName("IMG").at(0);
    document.SetSelection(Selection::Controls({image}));
    EXPECT_TRUE(document.GetSelection().IsControl());
    EXPECT_EQ(document.GetSelection().ControlElements().at(0), image);
    // Ranges given backwards are put in order.
    document.SetTextRange(FindText(document, "three"), 3, FindText(document, "one"), 0);
    EXPECT_EQ(document.GetSelection().GetRange().start.node, FindText(document, "one"));
    // A range over exactly one element belongs to it.
    Element* div = document.GetElementsByTagName("DIV").at(0);
    document.SetTextRange(div, 1, div, 2);
    EXPECT_TRUE(RangeParentElement(document.GetSelection().GetRange())->HasTagName("FONT"));
}

TEST(HtmlSelection, PositionsCompareInDocumentOrder)
{
    Document document;
    LoadBody(document, "<DIV>ab<B>cd</B></DIV>");
    Element* div = document.GetElementsByTagName("DIV").at(0);
    CharacterData* ab = FindText(document, "ab");
    CharacterData* cd = FindText(document, "cd");
    EXPECT_LT(ComparePositions({ab, 2}, {cd, 0}), 0);
    EXPECT_GT(ComparePositions({div, 2}, {cd, 2}), 0);
    EXPECT_LT(ComparePositions({div, 1}, {cd, 0}), 0);
    EXPECT_EQ(ComparePositions({ab, 1}, {ab, 1}), 0);
    Document other;
    EXPECT_EQ(ComparePositions({ab, 0}, {&other, 0}), 0);
}

TEST(HtmlSelection, TypingJoinsIntoOneUndoStep)
{
    Document document;
    LoadBody(document, "<DIV>ab</DIV>");
    CaretIn(document, "ab", 1);
    for (char16_t c : std::u16string(u"\u4E2D\u6587 x"))
        ASSERT_TRUE(InsertText(document, std::u16string(1, c)));
    EXPECT_EQ(BodyHtml(document), "<DIV>a\xE4\xB8\xAD\xE6\x96\x87 xb</DIV>");
    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(BodyHtml(document), "<DIV>ab</DIV>");
    EXPECT_FALSE(document.CanUndo());
    ASSERT_TRUE(document.Redo());
    EXPECT_EQ(BodyHtml(document), "<DIV>a\xE4\xB8\xAD\xE6\x96\x87 xb</DIV>");
    // The caret came back after the redone text.
    ASSERT_TRUE(InsertText(document, u"!"));
    EXPECT_EQ(BodyHtml(document), "<DIV>a\xE4\xB8\xAD\xE6\x96\x87 x!b</DIV>");
}

TEST(HtmlSelection, TypingIntoElementsAndOverSelections)
{
    Document document;
    LoadBody(document, "<DIV></DIV><P>keep</P>");
    document.SetCaret(document.GetElementsByTagName("DIV").at(0), 0);
    ASSERT_TRUE(InsertText(document, u"new"));
    EXPECT_EQ(BodyHtml(document), "<DIV>new</DIV><P>keep</P>");
    SelectText(document, "ee");
    ASSERT_TRUE(InsertText(document, u"3"));
    EXPECT_EQ(BodyHtml(document), "<DIV>new</DIV><P>k3p</P>");
    EXPECT_FALSE(InsertText(document, u""));
    document.SetSelection(Selection::NoSelection());
    EXPECT_FALSE(InsertText(document, u"lost"));
    EXPECT_EQ(BodyHtml(document), "<DIV>new</DIV><P>k3p</P>");
}

TEST(HtmlSelection, BackspaceAndDeleteRemoveCharactersAndJoinBlocks)
{
    Document document;
    LoadBody(document, "<DIV>ab</DIV><DIV>c<BR>d\U0001F600</DIV>");
    CaretIn(document, "c", 0);
    ASSERT_TRUE(DeleteBackward(document)); // joins the blocks
    EXPECT_EQ(BodyHtml(document), "<DIV>abc<BR>d\xF0\x9F\x98\x80</DIV>");
    // ... and the text on both sides into one node, the caret inside it.
    CharacterData* joined = FindText(document, "abc");
    ASSERT_NE(joined, nullptr);
    EXPECT_EQ(document.GetSelection().GetRange().start, (Position{joined, 2}));
    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(BodyHtml(document), "<DIV>ab</DIV><DIV>c<BR>d\xF0\x9F\x98\x80</DIV>");
    ASSERT_TRUE(document.Redo());
    EXPECT_EQ(BodyHtml(document), "<DIV>abc<BR>d\xF0\x9F\x98\x80</DIV>");
    EXPECT_EQ(document.GetSelection().GetRange().start, (Position{FindText(document, "abc"), 2}));
    ASSERT_TRUE(DeleteBackward(document));
    EXPECT_EQ(BodyHtml(document), "<DIV>ac<BR>d\xF0\x9F\x98\x80</DIV>");
    CaretIn(document, "c", 1);
    ASSERT_TRUE(DeleteForward(document)); // the BR
    EXPECT_EQ(BodyHtml(document), "<DIV>acd\xF0\x9F\x98\x80</DIV>");
    CaretIn(document, "d", 1);
    ASSERT_TRUE(DeleteForward(document)); // the whole surrogate pair
    EXPECT_EQ(BodyHtml(document), "<DIV>acd</DIV>");
    EXPECT_FALSE(DeleteForward(document)); // nothing after
    CaretIn(document, "a", 0);
    EXPECT_FALSE(DeleteBackward(document)); // nothing before
    while (document.CanUndo())
        document.Undo();
    EXPECT_EQ(BodyHtml(document), "<DIV>ab</DIV><DIV>c<BR>d\xF0\x9F\x98\x80</DIV>");
}

TEST(HtmlSelection, DeletingARangeAcrossBlocksJoinsThem)
{
    Document document;
    LoadBody(document, "<P>one <B>two</B></P><DIV>gone</DIV><P>three four</P>");
    document.SetTextRange(FindText(document, "two"), 1, FindText(document, "three"), 5);
    ASSERT_TRUE(DeleteSelection(document));
    EXPECT_EQ(BodyHtml(document), "<P>one <B>t</B> four</P>");
    EXPECT_TRUE(document.GetSelection().IsCaret());
    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(BodyHtml(document), "<P>one <B>two</B></P><DIV>gone</DIV><P>three four</P>");
    EXPECT_EQ(Utf8(RangeText(document.GetSelection().GetRange())), "wo\r\ngone\r\nthree");
}

TEST(HtmlSelection, EnterSplitsTheBlockAndLineBreakInsertsBr)
{
    Document document;
    LoadBody(document, "<DIV><B>abcd</B></DIV>");
    CaretIn(document, "abcd", 2);
    ASSERT_TRUE(InsertParagraph(document));
    ASSERT_TRUE(InsertText(document, u"X"));
    EXPECT_EQ(BodyHtml(document), "<DIV><B>ab</B></DIV><DIV><B>Xcd</B></DIV>");
    ASSERT_TRUE(InsertLineBreak(document));
    EXPECT_EQ(BodyHtml(document), "<DIV><B>ab</B></DIV><DIV><B>X<BR>cd</B></DIV>");
}

TEST(HtmlSelection, PasteHtmlReplacesRangeOrControls)
{
    Document document;
    LoadBody(document, "<DIV>abc</DIV><IMG src=\"/i.gif\">");
    SelectText(document, "b");
    ASSERT_TRUE(PasteHtml(document, u"<I>x</I><script>s()</script>"));
    EXPECT_EQ(BodyHtml(document), "<DIV>a<I>x</I><SCRIPT>s()</SCRIPT>c</DIV><IMG src=\"/i.gif\">");
    document.SetSelection(Selection::Controls({document.GetElementsByTagName("IMG").at(0)}));
    ASSERT_TRUE(PasteHtml(
        document, u"<TABLE border=1 cellpadding=3><TR><TD><DIV>&nbsp;</DIV></TD></TR></TABLE>"));
    EXPECT_EQ(document.GetElementsByTagName("IMG").size(), 0u);
    EXPECT_EQ(document.GetElementsByTagName("TD").size(), 1u);
    EXPECT_EQ(document.GetElementsByTagName("TD").at(0)->TextContent(), u"\u00A0");
    document.SetSelection(Selection::NoSelection());
    EXPECT_FALSE(PasteHtml(document, u"x"));
    ASSERT_TRUE(document.Undo());
    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(BodyHtml(document), "<DIV>abc</DIV><IMG src=\"/i.gif\">");
}

TEST(HtmlSelection, SelectionFollowsRemovedNodes)
{
    Document document;
    LoadBody(document, "<DIV>a</DIV><DIV>b</DIV>");
    CaretIn(document, "b", 1);
    Element* second = document.GetElementsByTagName("DIV").at(1);
    second->Remove();
    const Range& range = document.GetSelection().GetRange();
    EXPECT_EQ(range.start.node, document.Body());
    EXPECT_EQ(range.start.offset, 1u);
    document.SetSelection(Selection::Controls({document.GetElementsByTagName("DIV").at(0)}));
    document.GetElementsByTagName("DIV").at(0)->Remove();
    EXPECT_TRUE(document.GetSelection().IsNone());
    EXPECT_TRUE(SelectAll(document));
    EXPECT_EQ(document.GetSelection().GetRange().end.offset, document.Body()->ChildCount());
}
