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
