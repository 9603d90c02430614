// Style sheet rules (the BODY font size, creating a sheet) and image
// sources (local files and data URLs only, absolute against the document).
#include "HtmlTestSupport.h"
#include "platform/html/ImageSource.h"
#include "platform/html/StyleSheet.h"

using namespace vellum;
using namespace vellum::html;
using namespace vellum::html::testing;

TEST(HtmlStyleSheets, BodyRuleGivesTheFontSize)
{
    Document document;
    document.LoadHtml(
        u"<html><head><style><!-- /* c { } */ @media print { body { font-size: 1pt } }"
        u" P { color: red } BODY, TD { font-size: 12pt; font-family: x }"
        u" --></style><style>td { font-size: 3px }</style></head><body></body></html>");
    std::vector<StyleSheet> sheets = StyleSheets(document);
    ASSERT_EQ(sheets.size(), 2u);
    ASSERT_EQ(sheets[0].Rules().size(), 2u);
    EXPECT_EQ(sheets[0].Rules()[1].selectorText, u"BODY, TD");
    EXPECT_EQ(StyleSheetProperty(document, "body", "font-size"), u"12pt");
    EXPECT_EQ(StyleSheetProperty(document, "TD", "font-size"), u"3px"); // later rule wins
    EXPECT_EQ(StyleSheetProperty(document, "DIV", "font-size"), u"");
}

TEST(HtmlStyleSheets, ASheetCanBeCreatedWhereThereIsNone)
{
    Document document;
    document.LoadHtml(u"<p>x</p>");
    EXPECT_TRUE(StyleSheets(document).empty());
    Element* style = CreateStyleSheet(document);
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->ParentElement(), document.Head());
    StyleSheet sheet(*style);
    sheet.AddRule(u"BODY", u"font-size: 9pt");
    EXPECT_EQ(StyleSheetProperty(document, "BODY", "font-size"), u"9pt");
    EXPECT_EQ(Utf8(document.Head()->InnerHtml()), "<STYLE>BODY { font-size: 9pt }\n</STYLE>");
    Document empty;
    EXPECT_EQ(CreateStyleSheet(empty), nullptr); // no HTML element
}

TEST(HtmlImages, OnlyLocalFilesAndDataUrlsResolve)
{
    Document document;
    document.LoadHtml(u"<img src=\"pics/a%20b.gif\"><img src=\"http://127.0.0.1/x.gif\">"
                      u"<img src=\"data:image/gif;base64,R0lGODlh\"><img src=\"/abs/c.png\">"
                      u"<img src=\"file://server/share.gif\"><img src=\"data:text/plain,a%41\">",
                      u"file:///home/u/mail/body.html");
    std::vector<Element*> images = document.GetElementsByTagName("IMG");
    ASSERT_EQ(images.size(), 6u);
    ImageSource local = ResolveImageSource(*images[0]);
    EXPECT_EQ(local.kind, ImageSource::Kind::LocalFile);
    EXPECT_EQ(local.path, "/home/u/mail/pics/a b.gif");
    EXPECT_EQ(ResolveImageSource(*images[1]).kind, ImageSource::Kind::None);
    ImageSource data = ResolveImageSource(*images[2]);
    EXPECT_EQ(data.kind, ImageSource::Kind::Data);
    EXPECT_EQ(data.mimeType, "image/gif");
    EXPECT_EQ(data.bytes, "GIF89a");
    EXPECT_EQ(ResolveImageSource(*images[3]).path, "/abs/c.png");
    EXPECT_EQ(ResolveImageSource(*images[4]).kind, ImageSource::Kind::None);
    EXPECT_EQ(ResolveImageSource(*images[5]).bytes, "aA");
}

TEST(HtmlImages, SourcesBecomeAbsoluteExceptOnTheBlankPage)
{
    EXPECT_EQ(AbsoluteUrl(u"file:///a/b/c.html", u"../d/e.gif"), u"file:///a/d/e.gif");
    EXPECT_EQ(AbsoluteUrl(u"file:///a/b/c.html", u"./e.gif"), u"file:///a/b/e.gif");
    EXPECT_EQ(AbsoluteUrl(u"http://h/x/y?q", u"/r.gif"), u"http://h/r.gif");
    EXPECT_EQ(AbsoluteUrl(u"http://h/x/y", u"data:a,b"), u"data:a,b");
    EXPECT_EQ(AbsoluteUrl(u"about:blank", u"rel.gif"), u"rel.gif");
    Document document;
    document.LoadHtml(u"<img src=\"x.gif\"><img>", u"file:///m/body.html");
    MakeImageSourcesAbsolute(document);
    EXPECT_EQ(document.GetElementsByTagName("IMG")[0]->GetAttribute("src").value(),
              u"file:///m/x.gif");
    EXPECT_FALSE(document.GetElementsByTagName("IMG")[1]->HasAttribute("src"));
    Document blank;
    blank.LoadHtml(u"<img src=\"x.gif\">");
    MakeImageSourcesAbsolute(blank);
    EXPECT_EQ(blank.GetElementsByTagName("IMG")[0]->GetAttribute("src").value(), u"x.gif");
}
