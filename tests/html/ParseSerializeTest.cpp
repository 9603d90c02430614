// Loading, parsing and serializing: the busy/ready cycle, the browser-style
// markup, references, the ASCII-safe form and host code page conversions.
#include "HtmlTestSupport.h"
#include "html/AsciiSafeParse.h"
#include "html/NestingBound.h"
#include "html/Parser.h"
#include "html/Serializer.h"

#include <algorithm>
#include <rapidcheck/gtest.h>
#include <vector>

using namespace vellum;
using namespace vellum::html;
using namespace vellum::html::testing;

namespace {

std::string Outer(const Document& document)
{
    return Utf8(document.DocumentElement()->OuterHtml());
}

std::string Reserialize(const std::string& html)
{
    Document document;
    document.LoadHtml(text::Utf8ToUtf16(html));
    return Outer(document);
}

} // namespace

TEST(HtmlLoad, BlankPageIsBusyUntilCompletedThenReady)
{
    Document document;
    EXPECT_EQ(document.GetReadyState(), ReadyState::Uninitialized);
    EXPECT_FALSE(document.Navigate(u"http://127.0.0.1/never"));
    ASSERT_TRUE(document.Navigate(u"about:blank"));
    EXPECT_TRUE(document.IsBusy());
    EXPECT_EQ(document.Body(), nullptr);
    EXPECT_TRUE(document.CompleteLoad());
    EXPECT_FALSE(document.IsBusy());
    EXPECT_EQ(document.GetReadyState(), ReadyState::Complete);
    ASSERT_NE(document.Body(), nullptr);
    EXPECT_EQ(Outer(document), "<HTML><HEAD></HEAD><BODY></BODY></HTML>");
    EXPECT_FALSE(document.CompleteLoad()); // nothing pending any more
}

TEST(HtmlSerialize, SecondPassIsStable)
{
    const char* bodies[] = {
        "<table><tr><td>1</td><td><font size=5 color=red>2</font></td></tr></table>",
        "<pre>\n\nleading newlines</pre><textarea>\nkeep</textarea>",
        "<p>unclosed <b>bold <i>both</p> after",
        "<ul><li>one<li>two</ul><ol><li>x</ol>",
        "<script>if (a < b && c) alert('x')</script><style>p { color: red }</style>",
        "<div style='FONT-SIZE: 12px'>&amp;amp; &lt;tag&gt; \xE4\xB8\xAD\xE6\x96\x87</div>",
        "<img src=\"data:image/gif;base64,R0lGOD\"><hr><br>",
        "<p title='&#x4;'>control &#x4; &#x1;&#x0b;&#x0d; characters</p>",
    };
    for (const char* body : bodies) {
        std::string first = Reserialize(body);
        EXPECT_EQ(Reserialize(first), first) << body;
    }
}

// Pictures' payloads, set aside while gumbo parses, come back wherever they
// stood; a marker spelt in the text stays text.
TEST(HtmlParse, LongDataUrlPayloadsComeThroughWhereverTheyStand)
{
    std::string payload;
    while (payload.size() < 6000)
        payload += "QUJD+/9a";
    std::string tail = "'>say \"y;base64," + payload + "\" #vellum-payload-7#</p>";
    EXPECT_EQ(Reserialize("<img src=\"data:image/png;base64," + payload + "\"><p title='x;base64," +
                          payload + tail),
              "<HTML><HEAD></HEAD><BODY><IMG src=\"data:image/png;base64," + payload +
                  "\"><P title=\"x;base64," + payload + "\">say \"y;base64," + payload +
                  "\" #vellum-payload-7#</P></BODY></HTML>");
}

TEST(HtmlSerialize, CharactersOutsideTheCodePageBecomeReferences)
{
    text::SetHostCodePage("BIG5");
    Document document;
    // A Thai letter and an emoji: BIG5 holds neither.
    document.LoadHtml(u"<p>\u0E01 \U0001F600 \u4E2D</p>");
    std::string host = ToHostBytes(document.Body()->InnerHtml());
    EXPECT_NE(host.find("&#3585;"), std::string::npos);
    EXPECT_NE(host.find("&#128512;"), std::string::npos);
    EXPECT_NE(host.find(text::FromUtf8("\xE4\xB8\xAD")), std::string::npos);
    Document again;
    again.BeginLoadFromBytes(host);
    again.CompleteLoad();
    EXPECT_EQ(again.Body()->TextContent(), u"\u0E01 \U0001F600 \u4E2D");
    // The ASCII-safe form keeps the emoji whole as one reference.
    EXPECT_EQ(ToAsciiSafeHtml(u"\U0001F600\u00A0~"), "&#x1F600;&#x00A0;~");
    text::SetHostCodePage("GBK");
}

TEST(HtmlSafety, HostileMarkupIsKeptAsHarmlessData)
{
    Document document;
    document.LoadHtml(u"<body onload=\"steal()\"><script>document.write('x')</script>"
                      u"<iframe src=\"http://127.0.0.1:9/\"></iframe><object data=x></object>"
                      u"<img src=x onerror=\"alert(1)\"><a href=\"javascript:alert(1)\">a</a>");
    Element* body = document.Body();
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->GetAttribute("onload").value_or(u""), u"steal()");
    EXPECT_EQ(document.GetElementsByTagName("SCRIPT").size(), 1u);
    EXPECT_EQ(document.GetElementsByTagName("IFRAME").size(), 1u);
    EXPECT_EQ(document.GetElementsByTagName("OBJECT").size(), 1u);
    // The script's text is data: write() did not add anything to the body.
    EXPECT_EQ(document.GetElementsByTagName("SCRIPT")[0]->TextContent(), u"document.write('x')");
    EXPECT_NE(Outer(document).find("onerror=\"alert(1)\""), std::string::npos);
}

std::size_t DeepestElement(const Node& root)
{
    std::size_t deepest = 0;
    std::vector<std::pair<const Node*, std::size_t>> stack{{&root, 0}};
    while (!stack.empty()) {
        auto [node, depth] = stack.back();
        stack.pop_back();
        deepest = std::max(deepest, depth);
        for (const Node* child : node->Children())
            if (child->IsElement())
                stack.emplace_back(child, depth + 1);
    }
    return deepest;
}

// `before` n `after` for n from 0 up to count.
std::string Numbered(const std::string& before, const std::string& after, int count)
{
    std::string html;
    for (int n = 0; n < count; ++n)
        html += before + std::to_string(n) + after;
    return html;
}

// Formatting left open, no two alike, is copied into every later paragraph:
// past the bound a new one is left out, so the copies grow with the
// paragraphs and not with their square, and the text stays.
TEST(HtmlParse, OpenFormattingStopsAtTheBound)
{
    Document document;
    document.LoadHtml(text::Utf8ToUtf16(Numbered("<P><FONT color=#", ">x", 1000)));
    EXPECT_LE(document.GetElementsByTagName("FONT").size(), 1000 * kMaxOpenFormatting);
    EXPECT_EQ(Utf8(document.Body()->TextContent()), Repeat("x", 1000));
}

// A hostile body nests no deeper than the bound and keeps its text, while
// markup that only looks deep to a naive count (unclosed P, LI and cells,
// tags inside SCRIPT) passes the bound untouched.
TEST(HtmlParse, NestingStopsAtTheBoundWhileOrdinaryMarkupPassesUnchanged)
{
    const std::string deep[] = {
        Repeat("<DIV>", 200000) + "bottom" + Repeat("</DIV>", 200000) + "after",
        Repeat("<B><I>", 50000) + "bottom",
        Repeat("<TABLE><TR><TD>", 20000) + "bottom",
        Repeat("<UL><LI>", 50000) + "bottom",
    };
    for (const std::string& html : deep) {
        Document document;
        document.LoadHtml(text::Utf8ToUtf16(html));
        SCOPED_TRACE(html.substr(0, 20));
        EXPECT_LE(DeepestElement(document), kMaxNestingDepth);
        std::u16string text = document.Body()->TextContent();
        EXPECT_EQ(text.substr(0, 6), u"bottom");
        EXPECT_EQ(Utf8(text.substr(6)), html.ends_with("after") ? "after" : "");
    }
    const std::string ordinary[] = {
        Repeat("<P>paragraph", 2000),
        "<TABLE>" + Repeat("<TR><TD>a<TD>b<TH>c", 2000) + "</TABLE>",
        "<UL>" + Repeat("<LI>item", 2000) + "</UL><DL>" + Repeat("<DT>t<DD>d", 2000) + "</DL>",
        "<SELECT>" + Repeat("<OPTION>o", 2000) + "</SELECT>" + Repeat("<H1>a<H2>b", 600),
        "<SCRIPT>" + Repeat("'<div>'", 2000) + "</SCRIPT>" + Repeat("<DIV>x</DIV>", 2000),
        Repeat("<P><B>x<DIV>y</DIV>", 2000) + "<!-- <div><div> -->" +
            Repeat("<BR><IMG src=x>", 900),
        "<svg>" + Repeat("<path d=\"M0 0\"/>", 2000) + "</svg>" + Repeat("<a title='>'>l</a>", 900),
        Repeat("<P><FONT size=2><B>x", 900) + Numbered("<A href=", ">l<NOBR>n", 200),
        "<TABLE>" + Numbered("<TR><TD><FONT color=#", ">a<TD><I>b", 900) + "</TABLE>",
        Numbered("<P><B title=", ">x</B><U>y</U>", 900),
    };
    for (const std::string& html : ordinary) {
        std::string bounded = html;
        BoundNesting(bounded);
        EXPECT_TRUE(bounded == html) << html.substr(0, 40);
    }
}

namespace {

std::u16string ParsedOuter(std::u16string_view html)
{
    Document document;
    document.LoadHtml(html);
    return document.DocumentElement()->OuterHtml();
}

std::u16string Widened(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

} // namespace

TEST(HtmlAsciiSafe, OnlyBodiesWhoseCharactersAllStandWhereReferencesDecodeParseAlike)
{
    const struct
    {
        const char16_t* body;
        bool alike;
    } cases[] = {
        {u"<P>中文 text</P><FONT face=\"宋体\" title='标题'>x</FONT>", true},
        {u"<STYLE>p { color: red }</STYLE><P>中文</P>", true},
        {u"a < 中 <中>", true},
        {u"<!-- 注释 --><P>x</P>", false},
        {u"<STYLE>p { font-family: 宋体 }</STYLE>", false},
        {u"<STYLE>x</STYLES>中</STYLE>", false},
        {u"<FONT face=宋体>x</FONT>", false},
        {u"<P 名=\"x\">", false},
        {u"<A b=\"x\"=\"中\">", false},
        {u"<!DOCTYPE html \"中\"><P>", false},
        {u"<?xml v=\"中\"?>", false},
        {u"<SCRIPT>var a;</SCRIPT><P>中</P>", false},
        {u"<P>\u0085</P>", false},
        {u"<P>\xD83D</P>", false},
    };
    for (const auto& c : cases) {
        std::u16string body = c.body;
        EXPECT_EQ(ParsesAsItsAsciiSafeForm(body), c.alike) << Utf8(body);
        if (c.alike) {
            EXPECT_EQ(Utf8(ParsedOuter(body)), Utf8(ParsedOuter(Widened(ToAsciiSafeHtml(body)))));
        }
    }
}

// Whatever the scan calls alike parses to the same document either way.
RC_GTEST_PROP(HtmlAsciiSafe, AlikeBodiesParseToTheSameDocument, ())
{
    const std::vector<std::u16string> pieces = {
        u"<P>",      u"</P>",        u"中文",  u"a",          u"&amp",      u"&",
        u"&#x4E",    u"<!--",        u"-->",   u"--!>",       u"<STYLE>",   u"</STYLE>",
        u"</style ", u"<FONT face=", u"\"",    u"'",          u"=",         u" ",
        u">",        u"<",           u"/",     u"<TITLE>",    u"<!DOCTYPE", u"<?x",
        u"\u0085",   u"\U0001F600",  u"<B",    u"<TABLE>",    u"<TD>",      u"宋体",
        u"<svg>",    u"<![CDATA[",   u"]]>",   u"<textarea>", u"<a b",      u"\"x\"=",
        u"</",       u"<xmp>",       u"\u00A0"};
    const auto picks = *rc::gen::container<std::vector<std::size_t>>(
        rc::gen::inRange<std::size_t>(0, pieces.size()));
    std::u16string body;
    for (std::size_t pick : picks)
        body += pieces[pick];
    if (ParsesAsItsAsciiSafeForm(body))
        RC_ASSERT(Utf8(ParsedOuter(body)) == Utf8(ParsedOuter(Widened(ToAsciiSafeHtml(body)))));
}
