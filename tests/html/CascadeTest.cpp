// The cascade over style sheets: which selectors match which element (type,
// class, id, attributes, combinators, structural pseudo-classes, :not), the
// order declarations win in (specificity, source order, !important, inline
// style), error recovery, @media, and matching that stays linear on a
// hostile mix of child and descendant steps.
#include "html/Cascade.h"

#include "HtmlTestSupport.h"
#include "html/Editing.h"
#include "html/Selector.h"

#include <string>

using namespace vellum;
using namespace vellum::html;
using namespace vellum::html::testing;

namespace {

Element* ById(const Document& document, const std::string& id)
{
    for (Element* element : document.GetElementsByTagName("*"))
        if (element->GetAttribute("id") == text::Utf8ToUtf16(id))
            return element;
    return nullptr;
}

// The value of `property` that wins for the element: the last one in
// cascade order.
std::string Winning(const Cascade& cascade, const Element& element, const std::string& property)
{
    std::u16string value;
    AppliedDeclarations applied(element, &cascade);
    for (const Declaration* declaration : applied.InOrder())
        if (declaration->property == property)
            value = declaration->value;
    return Utf8(value);
}

constexpr const char* kBody =
    "<DIV id=outer class='box wide' lang=en-GB title='hello world' align=Center>"
    "<P id=first class=MsoNormal>a</P>"
    "<P id=second>b<SPAN id=inner class=red>c</SPAN></P>"
    "<UL><LI id=l1>1</LI><LI id=l2>2</LI><LI id=l3>3</LI><LI id=l4>4</LI></UL>"
    "<A id=link href='http://x/'>l</A><A id=anchor name=n>n</A>"
    "</DIV><TABLE><TR><TD id=cell>t</TD></TR></TABLE>";

} // namespace

TEST(HtmlCascade, SelectorsMatchAsBrowsersDo)
{
    struct Case
    {
        const char* selector;
        const char* id;
        bool matches;
    };
    const Case cases[] = {
        {"p", "first", true},
        {"*", "cell", true},
        {".MsoNormal", "first", true},
        {".msonormal", "first", false},
        {"p.MsoNormal", "second", false},
        {"#inner", "inner", true},
        {"span#inner.red", "inner", true},
        {".box.wide", "outer", true},
        {".box.narrow", "outer", false},
        {"[lang]", "outer", true},
        {"[lang|=en]", "outer", true},
        {"[title~=world]", "outer", true},
        {"[title~=wor]", "outer", false},
        {"[title^=hel]", "outer", true},
        {"[title$='world']", "outer", true},
        {"[title*=\"o w\"]", "outer", true},
        {"[title=Hello]", "outer", false},
        {"[align=center]", "outer", true}, // HTML compares ALIGN without case
        {"div p", "first", true},
        {"div > p", "first", true},
        {"body > p", "first", false},
        {"div span", "inner", true},
        {"div > span", "inner", false},
        {"p + p", "second", true},
        {"p + p", "first", false},
        {"p ~ ul", "l1", false},
        {"p ~ ul li", "l1", true},
        {"li:first-child", "l1", true},
        {"li:first-child", "l2", false},
        {"li:last-child", "l4", true},
        {"span:only-child", "inner", true},
        {"li:nth-child(2n+1)", "l3", true},
        {"li:nth-child(odd)", "l2", false},
        {"li:nth-child(even)", "l4", true},
        {"li:nth-child(-n+2)", "l2", true},
        {"li:nth-child(-n+2)", "l3", false},
        {"li:nth-child(3)", "l3", true},
        {"p:not(.MsoNormal)", "second", true},
        {"p:not(.MsoNormal)", "first", false},
        {"a:link", "link", true},
        {"a:visited", "link", true},
        {"a:link", "anchor", false},
        {"a:hover", "link", false},
        {"td, p#second", "second", true},
        {"html body table td", "cell", true},
        {"div td", "cell", false},
    };
    for (const Case& c : cases) {
        Document document;
        LoadBody(document, kBody);
        std::vector<Selector> selectors = ParseSelectorList(text::Utf8ToUtf16(c.selector));
        ASSERT_FALSE(selectors.empty()) << c.selector;
        Element* element = ById(document, c.id);
        ASSERT_NE(element, nullptr) << c.id;
        bool matched = false;
        for (const Selector& selector : selectors)
            matched = matched || Matches(selector, *element);
        EXPECT_EQ(matched, c.matches) << c.selector << " on #" << c.id;
    }
}

TEST(HtmlCascade, UnreadableSelectorsAreRefusedWhole)
{
    for (const char* text : {"p..x", "p >", "[a=", "p:nth-child(x)", "p:unknown", "p, , a", ""})
        EXPECT_TRUE(ParseSelectorList(text::Utf8ToUtf16(text)).empty()) << text;
}

TEST(HtmlCascade, DeclarationsWinBySpecificityOrderImportanceAndInlineStyle)
{
    struct Case
    {
        const char* sheet;
        const char* id;
        const char* property;
        const char* expected;
    };
    const Case cases[] = {
        {"p { color: red } p { color: blue }", "first", "color", "blue"},
        {".MsoNormal { color: red } p { color: blue }", "first", "color", "red"},
        {"#first { color: green } .MsoNormal.MsoNormal { color: red }", "first", "color", "green"},
        {"p { color: red !important } #first { color: blue }", "first", "color", "red"},
        {"p { margin: 0 } p { margin: 1px; }", "second", "margin", "1px"},
        // The inline style beats every normal rule, not an important one.
        {"#inner { color: blue }", "inner", "color", "green"},
        {"span { color: blue !important }", "inner", "color", "blue"},
        // A broken rule goes alone; the rest apply.
        {"p { color: red } p ]] { color: blue } #first { margin: 2px }", "first", "color", "red"},
        {"p { color: red } p ]] { color: blue } #first { margin: 2px }", "first", "margin", "2px"},
        {"p { color: red; border: 1px solid !importnt } ", "first", "border", ""},
        {"@import url(x.css); @font-face { font-family: x; src: url(y) } p { color: red }", "first",
         "color", "red"},
        {"/* p { color: blue } */ <!-- p { color: red } -->", "first", "color", "red"},
        {"@media print { p { color: blue } } @media screen { p { color: red } }", "first", "color",
         "red"},
        {"@media (max-width: 500px) { p { color: blue } } @media all and (min-width: 500px) { p "
         "{ color: red } }",
         "first", "color", "red"},
        {"@media only screen and (max-width: 600px), print { p { color: blue } }", "first", "color",
         "blue"},
        {"@media tv { p { color: blue } } @page { margin: 0 } p { color: red }", "first", "color",
         "red"},
    };
    for (const Case& c : cases) {
        Document document;
        document.LoadHtml(text::Utf8ToUtf16(std::string("<HTML><HEAD><STYLE>") + c.sheet +
                                            "</STYLE></HEAD><BODY>" + kBody + "</BODY></HTML>"));
        ById(document, "inner")->SetAttribute("style", u"color: green");
        Cascade cascade(document, MediaContext{550});
        Element* element = ById(document, c.id);
        ASSERT_NE(element, nullptr);
        EXPECT_EQ(Winning(cascade, *element, c.property), c.expected) << c.sheet;
    }
}

TEST(HtmlCascade, SheetsInBodyCountInDocumentOrderAndMediaAsksForTheWidth)
{
    Document document;
    document.LoadHtml(u"<HTML><HEAD><STYLE>p { color: red }</STYLE>"
                      u"<STYLE media=print>p { color: gray }</STYLE></HEAD><BODY>"
                      u"<STYLE>p { color: blue }</STYLE><P id=p>x</P>"
                      u"<!--[if mso]><STYLE>p { color: black }</STYLE><![endif]--></BODY></HTML>");
    Cascade plain(document, MediaContext{800});
    EXPECT_EQ(Winning(plain, *ById(document, "p"), "color"), "blue");
    EXPECT_FALSE(plain.DependsOnWidth());
    document.LoadHtml(u"<STYLE>@media (max-width: 600px) { p { color: red } }</STYLE><P id=p>x");
    Cascade narrow(document, MediaContext{500});
    Cascade wide(document, MediaContext{700});
    EXPECT_EQ(Winning(narrow, *ById(document, "p"), "color"), "red");
    EXPECT_EQ(Winning(wide, *ById(document, "p"), "color"), "");
    EXPECT_TRUE(wide.DependsOnWidth());
}

// Twelve alternating child and descendant steps that fail only at their
// far left, over 200 nested DIVs: a matcher that retried every way of
// placing the steps would not finish.
TEST(HtmlCascade, HostileSelectorsMatchInLinearTime)
{
    std::string nested = Repeat("<DIV>", 200) + "<SPAN id=deep>x</SPAN>" + Repeat("</DIV>", 200);
    Document document;
    LoadBody(document, nested);
    std::string hostile = "p";
    for (int i = 0; i < 11; ++i)
        hostile += i % 2 ? " div" : " > div";
    std::vector<Selector> failing = ParseSelectorList(text::Utf8ToUtf16(hostile + " span"));
    std::vector<Selector> passing =
        ParseSelectorList(text::Utf8ToUtf16(hostile.substr(4) + " span"));
    ASSERT_EQ(failing.size(), 1u);
    ASSERT_EQ(passing.size(), 1u);
    Element* deep = ById(document, "deep");
    for (int round = 0; round < 1000; ++round)
        ASSERT_FALSE(Matches(failing[0], *deep));
    EXPECT_TRUE(Matches(passing[0], *deep));
}

// Word's clipboard HTML: its sheet's rules go onto the pasted elements
// (an element's own inline declarations stay above normal rules), and the
// sheet itself is not pasted.
TEST(HtmlCascade, PastedFragmentsCarryTheirRulesInline)
{
    Document document;
    LoadBody(document, "<P>before</P>");
    CaretIn(document, "before", 6);
    ASSERT_TRUE(PasteHtml(
        document,
        u"<html><head><meta charset=utf-8><style>p.MsoNormal { margin: 0cm; font-size: 10.5pt }"
        u" span.red { color: red !important; font-weight: bold } .x td { border: 1px solid }"
        u"</style></head><body><!--StartFragment--><p class=MsoNormal>a<span class=red "
        u"style='color: blue; font-size: 9pt'>b</span></p><!--EndFragment--></body></html>"));
    std::string html = BodyHtml(document);
    EXPECT_EQ(html.find("<STYLE"), std::string::npos) << html;
    EXPECT_EQ(html.find("<META"), std::string::npos) << html;
    EXPECT_NE(html.find("<P class=\"MsoNormal\" style=\"MARGIN: 0cm; FONT-SIZE: 10.5pt\">"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("style=\"COLOR: red; FONT-SIZE: 9pt; FONT-WEIGHT: bold\""),
              std::string::npos)
        << html;
}

// What the editor does not draw (STYLE in the body, classes, ids,
// conditional comments) comes back byte for byte after typing elsewhere
// and after undo.
TEST(HtmlCascade, EditingKeepsSheetsClassesIdsAndCommentsByteForByte)
{
    const std::string kept =
        "<STYLE type=\"text/css\">.k { color: red } /* note */ @media print { p { color: black } "
        "}</STYLE><!--[if mso]><p class=\"MsoNormal\">Word only</p><![endif]-->"
        "<DIV class=\"k wide\" id=\"top\" data-x=\"1\">kept</DIV>";
    Document document;
    LoadBody(document, kept + "<P>typing here</P>");
    std::string before = BodyHtml(document);
    ASSERT_NE(before.find(kept), std::string::npos) << before;
    CaretIn(document, "typing here", 7);
    ASSERT_TRUE(InsertText(document, u"more "));
    std::string typed = BodyHtml(document);
    EXPECT_NE(typed.find(kept), std::string::npos) << typed;
    EXPECT_NE(typed.find("typing more here"), std::string::npos) << typed;
    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(BodyHtml(document), before);
}
