// The document model: attributes, inline style, inner and outer HTML, tree
// changes, lookups, change notifications and their undo.
#include "HtmlTestSupport.h"
#include "platform/html/InlineStyle.h"

using namespace vellum;
using namespace vellum::html;
using namespace vellum::html::testing;

TEST(HtmlModel, AttributesKeepOrderAndIgnoreCase)
{
    Document document;
    Element* font = document.CreateElement("font");
    EXPECT_EQ(font->TagName(), "FONT");
    EXPECT_TRUE(font->HasTagName("Font"));
    font->SetAttribute("Size", u"2");
    font->SetAttribute("color", u"red");
    font->SetAttribute("SIZE", u"7");
    ASSERT_EQ(font->Attributes().size(), 2u);
    EXPECT_EQ(font->Attributes()[0].name, "Size");
    EXPECT_EQ(font->GetAttribute("size").value_or(u""), u"7");
    font->RemoveAttribute("sIzE");
    EXPECT_FALSE(font->HasAttribute("size"));
    EXPECT_FALSE(font->GetAttribute("missing").has_value());
    EXPECT_EQ(Utf8(font->OuterHtml()), "<FONT color=\"red\"></FONT>");
}

TEST(HtmlModel, InlineStylePropertiesReadAndWrite)
{
    Document document;
    LoadBody(document, "<SPAN style=\"font-size: 9pt; COLOR: red; font-family: 'a;b'\">x</SPAN>");
    Element* span = document.GetElementsByTagName("span").at(0);
    EXPECT_EQ(span->GetStyleProperty("FONT-SIZE"), u"9pt");
    EXPECT_EQ(span->GetStyleProperty("color"), u"red");
    EXPECT_EQ(span->GetStyleProperty("font-family"), u"'a;b'");
    EXPECT_EQ(span->GetStyleProperty("font-weight"), u"");
    span->SetStyleProperty("font-size", u"12px");
    span->SetStyleProperty("text-decoration", u"underline");
    span->SetStyleProperty("color", u"");
    EXPECT_EQ(Utf8(span->GetAttribute("style").value()),
              "FONT-SIZE: 12px; FONT-FAMILY: 'a;b'; TEXT-DECORATION: underline");
    for (const char* property : {"font-size", "font-family", "text-decoration"})
        span->SetStyleProperty(property, u"");
    EXPECT_FALSE(span->HasAttribute("style"));
    for (const char* property : {"background-color", "text-align", "font-weight", "font-style"}) {
        span->SetStyleProperty(property, u"v");
        EXPECT_EQ(span->GetStyleProperty(property), u"v") << property;
    }
}

TEST(HtmlModel, InnerAndOuterHtmlGetAndSet)
{
    Document document;
    LoadBody(document, "<DIV id=\"d\">old</DIV><P>p</P>");
    Element* div = document.GetElementsByTagName("DIV").at(0);
    div->SetInnerHtml(u"<b>new</b> &amp; more");
    EXPECT_EQ(Utf8(div->InnerHtml()), "<B>new</B> &amp; more");
    EXPECT_EQ(Utf8(div->OuterHtml()), "<DIV id=\"d\"><B>new</B> &amp; more</DIV>");
    Element* p = document.GetElementsByTagName("P").at(0);
    ASSERT_TRUE(p->SetOuterHtml(u"<HR><SPAN>s</SPAN>"));
    EXPECT_EQ(BodyHtml(document), "<DIV id=\"d\"><B>new</B> &amp; more</DIV><HR><SPAN>s</SPAN>");
    EXPECT_FALSE(document.CreateElement("I")->SetOuterHtml(u"x")); // no parent
    EXPECT_EQ(Utf8(document.DocumentElement()->OuterHtml()),
              "<HTML><HEAD></HEAD><BODY>" + BodyHtml(document) + "</BODY></HTML>");
}

TEST(HtmlModel, TreeChangesMoveNodesAndRefuseBadOnes)
{
    Document document;
    LoadBody(document, "<DIV>a</DIV><DIV>b</DIV>");
    std::vector<Element*> divs = document.GetElementsByTagName("div");
    ASSERT_EQ(divs.size(), 2u);
    Element* body = document.Body();
    ASSERT_TRUE(body->AppendChild(divs[0])); // moves the first to the end
    EXPECT_EQ(BodyHtml(document), "<DIV>b</DIV><DIV>a</DIV>");
    EXPECT_EQ(divs[0]->IndexInParent(), 1u);
    EXPECT_EQ(divs[0]->PreviousSibling(), divs[1]);
    EXPECT_FALSE(divs[0]->AppendChild(body)); // a cycle
    EXPECT_FALSE(body->InsertChild(document.CreateElement("P"), 9));
    EXPECT_FALSE(divs[0]->FirstChild()->AppendChild(document.CreateElement("P"))); // text
    Document other;
    EXPECT_FALSE(body->AppendChild(other.CreateElement("P")));
    ASSERT_TRUE(divs[1]->InsertBefore(document.CreateTextNode(u"<x>"), divs[1]->FirstChild()));
    EXPECT_EQ(BodyHtml(document), "<DIV>&lt;x&gt;b</DIV><DIV>a</DIV>");
    divs[1]->Remove();
    EXPECT_FALSE(divs[1]->IsConnected());
    EXPECT_EQ(divs[1]->ParentElement(), nullptr);
    EXPECT_EQ(BodyHtml(document), "<DIV>a</DIV>");
    EXPECT_EQ(divs[0]->ParentElement(), body);
    // The detached node is still a valid handle, and undo puts it back.
    ASSERT_TRUE(document.Undo());
    EXPECT_TRUE(divs[1]->IsConnected());
    EXPECT_EQ(BodyHtml(document), "<DIV>&lt;x&gt;b</DIV><DIV>a</DIV>");
}
