// The editing commands by identifier: their results on collapsed and
// non-collapsed selections, their status and value queries, and undo.
#include "HtmlTestSupport.h"
#include "platform/html/CommandTarget.h"
#include "platform/html/Editing.h"

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

class FakePrompt : public AddressPrompt
{
public:
    std::optional<std::u16string> answer;
    std::vector<Purpose> asked;
    std::optional<std::u16string> AskAddress(Purpose purpose, const std::u16string&) override
    {
        asked.push_back(purpose);
        return answer;
    }
};

} // namespace

TEST(HtmlCommands, CharacterFormatsWrapTheSelection)
{
    ExpectCommand("<DIV>one two three</DIV>", "two", command::Bold, {},
                  "<DIV>one <B>two</B> three</DIV>");
    ExpectCommand("<DIV>one two</DIV>", "one", command::Italic, {}, "<DIV><I>one</I> two</DIV>");
    ExpectCommand("<DIV>one two</DIV>", "two", command::Underline, {}, "<DIV>one <U>two</U></DIV>");
    ExpectCommand("<DIV>red text</DIV>", "red", command::ForeColor,
                  CommandValue::String(u"#0000ff"),
                  "<DIV><FONT color=\"#0000ff\">red</FONT> text</DIV>");
    ExpectCommand("<DIV>marked</DIV>", "marked", command::BackColor,
                  CommandValue::String(u"#ff0000"),
                  "<DIV><FONT style=\"BACKGROUND-COLOR: #ff0000\">marked</FONT></DIV>");
    ExpectCommand("<DIV>face</DIV>", "face", command::FontName,
                  CommandValue::String(u"\u5B8B\u4F53"),
                  "<DIV><FONT face=\"\xE5\xAE\x8B\xE4\xBD\x93\">face</FONT></DIV>");
    ExpectCommand("<DIV>big</DIV>", "big", command::FontSize, CommandValue::String(u"7"),
                  "<DIV><FONT size=\"7\">big</FONT></DIV>");
}

TEST(HtmlCommands, FormatsAcrossBlocksWrapEachBlocksText)
{
    Document document;
    LoadBody(document, "<DIV>ab</DIV><P>cd</P>");
    document.SetTextRange(FindText(document, "ab"), 1, FindText(document, "cd"), 1);
    CommandTarget target(document);
    ASSERT_TRUE(target.Exec(command::Bold));
    EXPECT_EQ(BodyHtml(document), "<DIV>a<B>b</B></DIV><P><B>c</B>d</P>");
    EXPECT_TRUE(Latched(target, command::Bold));
    EXPECT_EQ(Utf8(RangeText(document.GetSelection().GetRange())), "b\r\nc");
}

TEST(HtmlCommands, BoldUnwrapsWhenLatched)
{
    Document document;
    LoadBody(document, "<DIV>x <B>abcdef</B> y</DIV>");
    CommandTarget target(document);
    SelectText(document, "cd");
    EXPECT_TRUE(Latched(target, command::Bold));
    EXPECT_TRUE(target.QueryValue(command::Bold)->boolean);
    ASSERT_TRUE(target.Exec(command::Bold));
    EXPECT_EQ(BodyHtml(document), "<DIV>x <B>ab</B>cd<B>ef</B> y</DIV>");
    EXPECT_FALSE(Latched(target, command::Bold));
    EXPECT_EQ(Utf8(RangeText(document.GetSelection().GetRange())), "cd");
    // Bold again over a range that is partly bold makes all of it bold.
    document.SetTextRange(FindText(document, "ab"), 0, FindText(document, "ef"), 2);
    EXPECT_FALSE(Latched(target, command::Bold));
    ASSERT_TRUE(target.Exec(command::Bold));
    EXPECT_EQ(BodyHtml(document), "<DIV>x <B>abcdef</B> y</DIV>");
    ASSERT_TRUE(document.Undo());
    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(BodyHtml(document), "<DIV>x <B>abcdef</B> y</DIV>");
    EXPECT_FALSE(document.CanUndo());
}

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

TEST(HtmlCommands, AnEmptyCarrierGoesWhenTheCaretLeavesItUntyped)
{
    Document document;
    LoadBody(document, "<DIV>ab<I></I></DIV><DIV>cd</DIV>");
    CommandTarget target(document);
    CaretIn(document, "ab", 1);
    ASSERT_TRUE(target.Exec(command::Bold));
    ASSERT_EQ(BodyHtml(document), "<DIV>a<B></B>b<I></I></DIV><DIV>cd</DIV>");
    CaretIn(document, "cd", 1);
    EXPECT_EQ(BodyHtml(document), "<DIV>ab<I></I></DIV><DIV>cd</DIV>");
    EXPECT_EQ(document.GetSelection().GetRange().start, (Position{FindText(document, "cd"), 1}));

    // Undo goes back to the caret in the carrier, then to before Ctrl+B;
    // redo replays both.
    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(BodyHtml(document), "<DIV>a<B></B>b<I></I></DIV><DIV>cd</DIV>");
    Element* carrier = document.Body()->GetElementsByTagName("B").front();
    EXPECT_EQ(document.GetSelection().GetRange().start, (Position{carrier, 0}));
    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(BodyHtml(document), "<DIV>ab<I></I></DIV><DIV>cd</DIV>");
    ASSERT_TRUE(document.Redo());
    ASSERT_TRUE(document.Redo());
    EXPECT_EQ(BodyHtml(document), "<DIV>ab<I></I></DIV><DIV>cd</DIV>");

    // A step that takes the caret out (Backspace) removes it in that step.
    // (Redo left "a" and "b" in text nodes of their own.)
    CaretIn(document, "b", 1);
    ASSERT_TRUE(target.Exec(command::Bold));
    ASSERT_TRUE(DeleteBackward(document));
    EXPECT_EQ(BodyHtml(document), "<DIV>a<I></I></DIV><DIV>cd</DIV>");
    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(BodyHtml(document), "<DIV>ab<B></B><I></I></DIV><DIV>cd</DIV>");

    // Italic inside the new bold makes one carrier of the two.
    CaretIn(document, "cd", 1);
    ASSERT_TRUE(target.Exec(command::Bold));
    ASSERT_TRUE(target.Exec(command::Italic));
    ASSERT_EQ(BodyHtml(document), "<DIV>ab<I></I></DIV><DIV>c<B><I></I></B>d</DIV>");
    CaretIn(document, "a", 1);
    EXPECT_EQ(BodyHtml(document), "<DIV>ab<I></I></DIV><DIV>cd</DIV>");
    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(BodyHtml(document), "<DIV>ab<I></I></DIV><DIV>c<B><I></I></B>d</DIV>");
    CaretIn(document, "a", 1);
    EXPECT_EQ(BodyHtml(document), "<DIV>ab<I></I></DIV><DIV>cd</DIV>");

    // Once typed into, or when it came with the document, it stays.
    CaretIn(document, "c", 0);
    EXPECT_EQ(BodyHtml(document), "<DIV>ab<I></I></DIV><DIV>cd</DIV>");
    ASSERT_TRUE(target.Exec(command::Bold));
    ASSERT_TRUE(InsertText(document, u"X"));
    CaretIn(document, "a", 0);
    EXPECT_EQ(BodyHtml(document), "<DIV>ab<I></I></DIV><DIV><B>X</B>cd</DIV>");
    document.SetCaret(document.Body()->GetElementsByTagName("I").front(), 0);
    CaretIn(document, "a", 0);
    EXPECT_EQ(BodyHtml(document), "<DIV>ab<I></I></DIV><DIV><B>X</B>cd</DIV>");
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

TEST(HtmlCommands, AlignmentSetsTheBlocksAlign)
{
    ExpectCommand("<DIV>one</DIV><DIV>two</DIV>", "one", command::JustifyCenter, {},
                  "<DIV align=\"center\">one</DIV><DIV>two</DIV>");
    ExpectCommand("<DIV style=\"text-align: center\">r</DIV>", "r", command::JustifyRight, {},
                  "<DIV align=\"right\">r</DIV>");
    // Loose text in the body gets a paragraph to carry the alignment.
    ExpectCommand("loose<DIV>kept</DIV>", "loose", command::JustifyCenter, {},
                  "<P align=\"center\">loose</P><DIV>kept</DIV>");
    Document document;
    LoadBody(document, "<DIV>a</DIV><DIV align=\"right\">b</DIV>");
    CommandTarget target(document);
    CaretIn(document, "a", 0);
    EXPECT_TRUE(Latched(target, command::JustifyLeft));
    EXPECT_FALSE(Latched(target, command::JustifyRight));
    CaretIn(document, "b", 1);
    EXPECT_TRUE(Latched(target, command::JustifyRight));
    EXPECT_FALSE(Latched(target, command::JustifyLeft));
    EXPECT_FALSE(Latched(target, command::JustifyCenter));
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

TEST(HtmlCommands, InsertionsReplaceTheSelection)
{
    ExpectCommand("<DIV>abc</DIV>", "b", command::HorizontalLine, {}, "<DIV>a<HR>c</DIV>");
    ExpectCommand("<DIV>abc</DIV>", "b", command::Image, CommandValue::String(u"/tmp/p.gif"),
                  "<DIV>a<IMG src=\"/tmp/p.gif\">c</DIV>");
    ExpectCommand("<DIV>see here</DIV>", "here", command::Hyperlink,
                  CommandValue::String(u"http://example.invalid/"),
                  "<DIV>see <A href=\"http://example.invalid/\">here</A></DIV>");
    Document document;
    LoadBody(document, "<DIV>ab</DIV>");
    CommandTarget target(document);
    CaretIn(document, "ab", 1);
    ASSERT_TRUE(target.Exec(command::Hyperlink, CommandValue::String(u"mailto:x")));
    EXPECT_EQ(BodyHtml(document), "<DIV>a<A href=\"mailto:x\">mailto:x</A>b</DIV>");
    EXPECT_FALSE(target.Exec(command::Image)); // no address and no prompt
}

TEST(HtmlCommands, HyperlinkAndImageAskThroughThePrompt)
{
    Document document;
    LoadBody(document, "<DIV>ab</DIV>");
    CommandTarget target(document);
    FakePrompt prompt;
    target.SetAddressPrompt(&prompt);
    SelectText(document, "b");
    EXPECT_FALSE(target.Exec(command::Hyperlink, CommandValue::Integer(0), true)); // cancelled
    EXPECT_EQ(BodyHtml(document), "<DIV>ab</DIV>");
    prompt.answer = u"http://x.invalid/";
    ASSERT_TRUE(target.Exec(command::Hyperlink, CommandValue::Integer(0), true));
    EXPECT_EQ(BodyHtml(document), "<DIV>a<A href=\"http://x.invalid/\">b</A></DIV>");
    prompt.answer = u"/img/a.gif";
    CaretIn(document, "a", 0);
    ASSERT_TRUE(target.Exec(command::Image, CommandValue::Integer(0), true));
    EXPECT_EQ(BodyHtml(document),
              "<DIV><IMG src=\"/img/a.gif\">a<A href=\"http://x.invalid/\">b</A></DIV>");
    ASSERT_EQ(prompt.asked.size(), 3u);
    EXPECT_EQ(prompt.asked[2], AddressPrompt::Purpose::Image);
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

TEST(HtmlCommands, ControlSelectionIsCopiedAndReplacedWhole)
{
    Document document;
    LoadBody(document,
             "<DIV>a<IMG src=\"/x.gif\">b</DIV><TABLE><TBODY><TR><TD>c</TD></TR></TBODY></TABLE>");
    CommandTarget target(document);
    Element* table = document.GetElementsByTagName("TABLE")[0];
    document.SetSelection(Selection::Controls({table}));
    ASSERT_TRUE(target.Exec(command::Copy));
    ASSERT_TRUE(target.Exec(command::Paste)); // replaces the table by its copy
    EXPECT_EQ(document.GetElementsByTagName("TABLE").size(), 1u);
    document.SetSelection(Selection::Controls({document.GetElementsByTagName("IMG")[0]}));
    ASSERT_TRUE(target.Exec(command::Cut));
    EXPECT_EQ(BodyHtml(document).substr(0, 14), "<DIV>ab</DIV><");
}

TEST(HtmlCommands, EditingNeedsDesignModeAndSettingsAreAccepted)
{
    Document document;
    LoadBody(document, "<DIV>ab</DIV>");
    document.SetDesignMode(u"Off");
    EXPECT_EQ(document.DesignMode(), u"Off");
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

TEST(HtmlCommands, UndoAndRedoCommandsFollowTheHistory)
{
    Document document;
    LoadBody(document, "<DIV>ab</DIV>");
    CommandTarget target(document);
    EXPECT_EQ(target.QueryStatus(command::Undo) & status::Enabled, 0);
    SelectText(document, "ab");
    ASSERT_TRUE(target.Exec(command::Underline));
    EXPECT_NE(target.QueryStatus(command::Undo) & status::Enabled, 0);
    ASSERT_TRUE(target.Exec(command::Undo));
    EXPECT_EQ(BodyHtml(document), "<DIV>ab</DIV>");
    EXPECT_NE(target.QueryStatus(command::Redo) & status::Enabled, 0);
    ASSERT_TRUE(target.Exec(command::Redo));
    EXPECT_EQ(BodyHtml(document), "<DIV><U>ab</U></DIV>");
    EXPECT_FALSE(target.Exec(command::Redo));
}
