// Bodies from other users can be anything: deep nesting, table parts out of
// place, absurd spans and sizes, empty everything. The layout must give
// each a place for the caret, answer every query and paint without harm.
#include "LayoutTestSupport.h"

using namespace vellum::html;
using namespace vellum::html::testing;

namespace {

void ExerciseEverything(LaidOutBody& body)
{
    DocumentLayout& layout = *body.layout;
    Paint(layout, QRect(0, 0, 300, 300));
    Position p = layout.HitTest({20, 20}).position;
    ASSERT_FALSE(p.IsNull());
    for (int i = 0; i < 50; ++i)
        p = layout.NextCharacter(p);
    for (int i = 0; i < 60; ++i)
        p = layout.PreviousCharacter(p);
    p = layout.LineBelow(p, 10);
    p = layout.LineAbove(p, 10);
    p = layout.NextWord(layout.LineEnd(p));
    p = layout.PreviousWord(layout.LineStart(p));
    EXPECT_FALSE(layout.CaretRect(p).isNull() && layout.CaretRect(p).height() == 0);
    layout.WordAt(p);
    layout.MoveByPixels(p, 10, 500);
    for (Element* element : body.document.Body()->GetElementsByTagName("*"))
        layout.ElementRect(*element);
}

TEST(LayoutRobustness, OddBodiesStillGiveTheCaretAPlaceAndAnswerEveryQuery)
{
    // 800 kB of nesting, as one hostile mail can hold: it must load, lay out
    // and paint in time linear in its size, within the stack.
    const std::string deep = Repeat("<B><DIV>", 100000) + "bottom";
    const std::string bodies[] = {
        "",
        "   ",
        "<!-- only a comment -->",
        "<TABLE></TABLE>",
        "<TABLE><TR></TR></TABLE>",
        "<TD>cell without table</TD><TR><TD>row without table</TD></TR>",
        "<TABLE border=abc cellspacing=-5 cellpadding=99999 width=-3>"
        "<TR><TD colspan=0 rowspan=99999>x</TD></TR><TR><TD colspan=5000>y</TD></TR></TABLE>",
        "<TABLE><TR><TD><TABLE><TR><TD><TABLE><TR><TD>nested</TD></TR></TABLE></TD></TR></TABLE></"
        "TD></TR></TABLE>",
        "<IMG width=99999999 height=-5><IMG width=0 height=0>",
        "<OL start=-3 type=I><LI value=99999>x</LI><LI>y</LI></OL><LI>stray item</LI>",
        "<HR size=0><HR width=200%>",
        "<PRE>\n\n\t\ttabs\r\n</PRE>",
        "<FONT size=99 face=\"\">big</FONT><FONT size=-99>small</FONT><SPAN style=\"font-size: "
        "0px\">zero</SPAN>",
        "<BR><BR><BR>",
        "<DIV style=\"width: 5000px; margin: -20px\">wide</DIV>",
        deep,
    };
    for (const std::string& html : bodies) {
        SCOPED_TRACE(html.substr(0, 60));
        LaidOutBody body(html, 300);
        EXPECT_GE(body.layout->Height(), 0);
        ExerciseEverything(body);
    }
}

TEST(LayoutRobustness, EditsOfEveryKindKeepTheLayoutConsistentWithAFreshOne)
{
    LaidOutBody body(
        "<DIV>one</DIV><TABLE border=1><TR><TD>a</TD><TD>b</TD></TR></TABLE><UL><LI>i</LI></UL>"
        "loose<P>two</P>");
    Document& document = body.document;
    // Move, split, restyle and remove, with an Update between some.
    body.Nth("P")->AppendChild(body.Nth("TD", 1)->FirstChild());
    body.layout->Update();
    body.Nth("LI")->SetAttribute("style", u"color: red; font-size: 20px");
    body.TextOf(body.Nth("DIV"))->AsCharacterData()->SplitText(1);
    body.Nth("TABLE")->SetAttribute("cellspacing", u"10");
    body.layout->Update();
    body.Nth("UL")->Remove();
    document.Body()->FirstChild()->AppendChild(document.CreateElement("HR"));
    // The incremental result matches a layout built from scratch, and
    // still does once undo has brought the first state back.
    auto expectAsFresh = [&] {
        DocumentLayout fresh(document);
        fresh.SetWidth(400);
        EXPECT_EQ(body.layout->Height(), fresh.Height());
        for (Element* element : document.Body()->GetElementsByTagName("*"))
            EXPECT_EQ(body.layout->ElementRect(*element), fresh.ElementRect(*element))
                << element->TagName();
    };
    expectAsFresh();
    while (document.CanUndo())
        document.Undo();
    expectAsFresh();
}

} // namespace
