// Editing a document: the kinds of selection and their parent elements,
// typing and deleting, the commands by identifier on collapsed and
// non-collapsed selections with their status and value queries, and undo.
#include "HtmlTestSupport.h"
#include "html/CommandTarget.h"
#include "html/Editing.h"

using namespace vellum;
using namespace vellum::html;
using namespace vellum::html::testing;

namespace {

bool Latched(const CommandTarget& target, int id)
{
    return (target.QueryStatus(id) & status::Latched) != 0;
}

// Runs a command on a selection, checks the body, then that undo restores
// the body exactly and redo brings the change back.
void ExpectCommand(const std::string& body, const std::string& select, int id,
                   const CommandValue& argument, const std::string& expected)
{
    Document document;
    LoadBody(document, body);
    SelectText(document, select);
    CommandTarget target(document);
    ASSERT_TRUE(target.Exec(id, argument)) << id;
    EXPECT_EQ(BodyHtml(document), expected) << id;
    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(BodyHtml(document), body) << "undo of " << id;
    ASSERT_TRUE(document.Redo());
    EXPECT_EQ(BodyHtml(document), expected) << "redo of " << id;
}

} // namespace

TEST(HtmlCommands, FormatsAtACaretTakeTheCaret)
{
    Document document;
    LoadBody(document, "<DIV>ab</DIV>");
    CommandTarget target(document);
    CaretIn(document, "ab", 1);
    EXPECT_FALSE(Latched(target, command::Bold));
    ASSERT_TRUE(target.Exec(command::Bold));
    EXPECT_TRUE(Latched(target, command::Bold));
    ASSERT_TRUE(InsertText(document, u"X"));
    EXPECT_EQ(BodyHtml(document), "<DIV>a<B>X</B>b</DIV>");
    // Bold off at a caret inside bold text splits the B there.
    ASSERT_TRUE(target.Exec(command::Bold));
    EXPECT_FALSE(Latched(target, command::Bold));
    ASSERT_TRUE(InsertText(document, u"Y"));
    EXPECT_EQ(BodyHtml(document), "<DIV>a<B>X</B>Yb</DIV>");
}

TEST(HtmlCommands, ValueQueriesReadTheFormatAtTheSelection)
{
    Document document;
    LoadBody(document,
             "<DIV><FONT face=\"Arial\" size=\"5\" color=\"#102030\">abc</FONT> plain</DIV>");
    CommandTarget target(document);
    CaretIn(document, "abc", 1);
    EXPECT_EQ(Utf8(target.QueryValue(command::FontName)->string), "Arial");
    EXPECT_EQ(target.QueryValue(command::FontSize)->integer, 5);
    EXPECT_EQ(target.QueryValue(command::ForeColor)->integer, 0x302010); // 0x00BBGGRR
    CaretIn(document, "plain", 2);
    EXPECT_EQ(target.QueryValue(command::FontName)->string, u"\u5B8B\u4F53");
    EXPECT_EQ(target.QueryValue(command::FontSize)->integer, 3);
    EXPECT_FALSE(target.QueryValue(command::HorizontalLine).has_value());
    EXPECT_EQ(target.QueryStatus(12345), 0);
    EXPECT_FALSE(target.Exec(12345));
}

TEST(HtmlCommands, FontSizeOnAFontsWholeTextChangesThatFont)
{
    ExpectCommand("<P>a <FONT size=\"2\">def</FONT></P>", "def", command::FontSize,
                  CommandValue::Integer(7), "<P>a <FONT size=\"7\">def</FONT></P>");
    Document document;
    LoadBody(document, "<P>x</P>");
    SelectText(document, "x");
    CommandTarget target(document);
    EXPECT_FALSE(target.Exec(command::FontSize, CommandValue::String(u"9")));
    EXPECT_FALSE(target.Exec(command::ForeColor, CommandValue::String(u"not a colour")));
    EXPECT_FALSE(target.Exec(command::FontName));
    EXPECT_EQ(BodyHtml(document), "<P>x</P>");
}

TEST(HtmlCommands, ListsWrapBlocksAndUnwrapWhenLatched)
{
    ExpectCommand("<DIV>one</DIV><DIV>two</DIV><DIV>three</DIV>", "", command::OrderList, {},
                  "<OL><LI>one</LI></OL><DIV>two</DIV><DIV>three</DIV>");
    Document document;
    LoadBody(document, "<DIV>one</DIV><DIV>two</DIV><DIV>three</DIV>");
    CommandTarget target(document);
    document.SetTextRange(FindText(document, "one"), 1, FindText(document, "two"), 1);
    ASSERT_TRUE(target.Exec(command::UnorderList));
    EXPECT_EQ(BodyHtml(document), "<UL><LI>one</LI><LI>two</LI></UL><DIV>three</DIV>");
    EXPECT_TRUE(Latched(target, command::UnorderList));
    EXPECT_FALSE(Latched(target, command::OrderList));
    // The other list kind changes the list; the same kind again takes it away.
    ASSERT_TRUE(target.Exec(command::OrderList));
    EXPECT_EQ(BodyHtml(document), "<OL><LI>one</LI><LI>two</LI></OL><DIV>three</DIV>");
    CaretIn(document, "two", 0);
    ASSERT_TRUE(target.Exec(command::OrderList));
    EXPECT_EQ(BodyHtml(document), "<OL><LI>one</LI></OL><P>two</P><DIV>three</DIV>");
    EXPECT_FALSE(Latched(target, command::OrderList));
    while (document.CanUndo())
        document.Undo();
    EXPECT_EQ(BodyHtml(document), "<DIV>one</DIV><DIV>two</DIV><DIV>three</DIV>");
    // Taking away a middle item leaves a paragraph between two lists.
    LoadBody(document, "<UL><LI>a</LI><LI>b</LI><LI>c</LI></UL>");
    CaretIn(document, "b", 0);
    ASSERT_TRUE(target.Exec(command::UnorderList));
    EXPECT_EQ(BodyHtml(document), "<UL><LI>a</LI></UL><P>b</P><UL><LI>c</LI></UL>");
}

TEST(HtmlCommands, CopyCutAndPasteGoThroughTheClipboard)
{
    struct TestClipboard : Clipboard
    {
        ClipboardContent content;
        void SetContent(const ClipboardContent& c) override { content = c; }
        ClipboardContent Content() const override { return content; }
    } clipboard;
    Document document;
    LoadBody(document, "<DIV>one <B>bold</B> two</DIV>");
    CommandTarget target(document);
    target.SetClipboard(&clipboard);
    CaretIn(document, "one", 1);
    EXPECT_FALSE(target.Exec(command::Copy)); // nothing selected
    EXPECT_EQ(target.QueryStatus(command::Copy) & status::Enabled, 0);
    SelectText(document, "ol");
    EXPECT_NE(target.QueryStatus(command::Copy) & status::Enabled, 0);
    ASSERT_TRUE(target.Exec(command::Copy));
    EXPECT_EQ(Utf8(clipboard.content.html), "<B>ol</B>");
    EXPECT_EQ(Utf8(clipboard.content.text), "ol");
    ASSERT_TRUE(target.Exec(command::Cut));
    EXPECT_EQ(BodyHtml(document), "<DIV>one <B>bd</B> two</DIV>");
    CaretIn(document, "two", 3);
    ASSERT_TRUE(target.Exec(command::Paste));
    EXPECT_EQ(BodyHtml(document), "<DIV>one <B>bd</B> two<B>ol</B></DIV>");
    clipboard.content = {u"", u"a<b\r\nc"};
    ASSERT_TRUE(target.Exec(command::Paste));
    EXPECT_EQ(BodyHtml(document), "<DIV>one <B>bd</B> two<B>ol</B>a&lt;b<BR>c</DIV>");
    ASSERT_TRUE(document.Undo());
    ASSERT_TRUE(document.Undo());
    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(BodyHtml(document), "<DIV>one <B>bold</B> two</DIV>");
}

TEST(HtmlCommands, EditingNeedsDesignModeAndSettingsAreAccepted)
{
    Document document;
    LoadBody(document, "<DIV>ab</DIV>");
    document.SetDesignMode(u"Off");
    EXPECT_FALSE(document.IsDesignMode());
    CommandTarget target(document);
    SelectText(document, "a");
    EXPECT_FALSE(target.Exec(command::Bold));
    EXPECT_TRUE(target.Exec(command::Copy));
    EXPECT_EQ(BodyHtml(document), "<DIV>ab</DIV>");
    document.SetDesignMode(u"on");
    EXPECT_EQ(document.DesignMode(), u"On");
    EXPECT_TRUE(target.Exec(command::KeepSelection, CommandValue::Boolean(true)));
    EXPECT_TRUE(target.Exec(command::AutoUrlDetect, CommandValue::Boolean(true)));
    EXPECT_TRUE(Latched(target, command::KeepSelection));
    EXPECT_TRUE(target.QueryValue(command::AutoUrlDetect)->boolean);
    EXPECT_TRUE(target.Exec(command::AutoUrlDetect, CommandValue::Boolean(false)));
    EXPECT_FALSE(Latched(target, command::AutoUrlDetect));
}

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
