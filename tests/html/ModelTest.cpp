// The document model: attributes, inline style, inner and outer HTML, tree
// changes and their undo; style sheet rules (the BODY font size, creating a
// sheet) and image sources (local files and data URLs only, absolute against
// the document; a local one read only from a regular file of sane size);
// table rows and cells, their indexes, insertion and
// deletion at the first, middle and last index, and undo of each.
#include "HtmlTestSupport.h"
#include "html/ImageSource.h"
#include "html/InlineStyle.h"
#include "html/LocalImageFile.h"
#include "html/StyleSheet.h"
#include "html/Table.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>

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
    // Every change, and undoing one, gives the document a stamp of its own.
    std::set<std::uint64_t> stamps{document.ChangeStamp()};
    ASSERT_TRUE(body->AppendChild(divs[0])); // moves the first to the end
    EXPECT_TRUE(stamps.insert(document.ChangeStamp()).second);
    EXPECT_EQ(BodyHtml(document), "<DIV>b</DIV><DIV>a</DIV>");
    EXPECT_EQ(divs[0]->IndexInParent(), 1u);
    EXPECT_EQ(divs[0]->PreviousSibling(), divs[1]);
    EXPECT_FALSE(divs[0]->AppendChild(body)); // a cycle
    EXPECT_FALSE(body->InsertChild(document.CreateElement("P"), 9));
    EXPECT_FALSE(divs[0]->FirstChild()->AppendChild(document.CreateElement("P"))); // text
    Document other;
    EXPECT_FALSE(body->AppendChild(other.CreateElement("P")));
    EXPECT_TRUE(stamps.insert(other.ChangeStamp()).second);
    ASSERT_TRUE(divs[1]->InsertBefore(document.CreateTextNode(u"<x>"), divs[1]->FirstChild()));
    EXPECT_EQ(BodyHtml(document), "<DIV>&lt;x&gt;b</DIV><DIV>a</DIV>");
    divs[1]->Remove();
    EXPECT_FALSE(divs[1]->IsConnected());
    EXPECT_EQ(divs[1]->ParentElement(), nullptr);
    EXPECT_EQ(BodyHtml(document), "<DIV>a</DIV>");
    EXPECT_EQ(divs[0]->ParentElement(), body);
    // The detached node is still a valid handle, and undo puts it back.
    EXPECT_TRUE(stamps.insert(document.ChangeStamp()).second);
    ASSERT_TRUE(document.Undo());
    EXPECT_TRUE(stamps.insert(document.ChangeStamp()).second);
    EXPECT_TRUE(divs[1]->IsConnected());
    EXPECT_EQ(BodyHtml(document), "<DIV>&lt;x&gt;b</DIV><DIV>a</DIV>");
}

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

// A FIFO without a writer would block a plain open; /dev/zero never ends.
TEST(HtmlImages, LocalFilesAreReadOnlyWhenRegularAndOfSaneSize)
{
    std::string folder = std::filesystem::temp_directory_path().string() + "/vellum-img-XXXXXX";
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    std::ofstream(folder + "/small.gif", std::ios::binary) << "GIF89a";
    ASSERT_EQ(mkfifo((folder + "/pipe.gif").c_str(), 0600), 0);
    EXPECT_EQ(ReadLocalImageFile(folder + "/small.gif").value_or(""), "GIF89a");
    EXPECT_FALSE(ReadLocalImageFile(folder + "/small.gif", 5).has_value());
    EXPECT_FALSE(ReadLocalImageFile(folder + "/pipe.gif").has_value());
    EXPECT_FALSE(ReadLocalImageFile("/dev/zero").has_value());
    EXPECT_FALSE(ReadLocalImageFile(folder).has_value());
    EXPECT_FALSE(ReadLocalImageFile(folder + "/missing.gif").has_value());
    std::filesystem::remove_all(folder);
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

namespace {

const char* kTable = "<TABLE><TBODY><TR><TD>a1</TD><TD>a2</TD><TD>a3</TD></TR>"
                     "<TR><TD>b1</TD><TD>b2</TD><TD>b3</TD></TR>"
                     "<TR><TD>c1</TD><TD>c2</TD><TD>c3</TD></TR></TBODY></TABLE>";

Element* TheTable(Document& document)
{
    return document.GetElementsByTagName("TABLE").at(0);
}

std::string RowTexts(Element& table)
{
    std::string out;
    for (Element* row : TableRows(table)) {
        for (Element* cell : RowCells(*row))
            out += Utf8(cell->TextContent()) + ",";
        out += "|";
    }
    return out;
}

// What the table's rows and its row's cells read after a change at `index`.
struct Case
{
    int index;
    std::string rows;
    std::string cells;
};

} // namespace

TEST(HtmlTables, RowsCellsAndTheirIndexes)
{
    Document document;
    LoadBody(document, "<TABLE><THEAD><TR><TH>h</TH></TR></THEAD><TBODY><TR><TD>x</TD><TD>"
                       "<TABLE><TR><TD>inner</TD></TR></TABLE></TD></TR></TBODY></TABLE>");
    Element* outer = TheTable(document);
    std::vector<Element*> rows = TableRows(*outer);
    ASSERT_EQ(rows.size(), 2u); // the nested table's row is not the outer table's
    EXPECT_EQ(RowIndex(*rows[1]), 1);
    std::vector<Element*> cells = RowCells(*rows[1]);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(CellIndex(*cells[1]), 1);
    EXPECT_EQ(RowCells(*rows[0]).size(), 1u); // TH counts as a cell
    EXPECT_EQ(ColumnCount(*outer), 2);
    Element* inner = document.GetElementsByTagName("TABLE").at(1);
    EXPECT_EQ(TableOf(*FindText(document, "inner")->ParentElement()), inner);
    EXPECT_EQ(RowIndex(*TableRows(*inner)[0]), 0);
    EXPECT_EQ(CellIndex(*outer), -1);
    EXPECT_EQ(RowIndex(*document.Body()), -1);
}

// A row goes into the table, a cell into its second row; -1 appends.
TEST(HtmlTables, InsertRowsAndCellsAtFirstMiddleAndLast)
{
    const Case cases[] = {
        {0, "|a1,a2,a3,|b1,b2,b3,|c1,c2,c3,|", "a1,a2,a3,|,b1,b2,b3,|c1,c2,c3,|"},
        {1, "a1,a2,a3,||b1,b2,b3,|c1,c2,c3,|", "a1,a2,a3,|b1,,b2,b3,|c1,c2,c3,|"},
        {3, "a1,a2,a3,|b1,b2,b3,|c1,c2,c3,||", "a1,a2,a3,|b1,b2,b3,,|c1,c2,c3,|"},
        {-1, "a1,a2,a3,|b1,b2,b3,|c1,c2,c3,||", "a1,a2,a3,|b1,b2,b3,,|c1,c2,c3,|"},
    };
    for (const Case& c : cases) {
        Document document;
        LoadBody(document, kTable);
        Element* row = InsertRow(*TheTable(document), c.index);
        ASSERT_NE(row, nullptr) << c.index;
        EXPECT_TRUE(row->HasTagName("TR")) << c.index;
        EXPECT_EQ(RowTexts(*TheTable(document)), c.rows) << c.index;
        EXPECT_EQ(row->Parent()->AsElement()->TagName(), "TBODY") << c.index;
        ASSERT_TRUE(document.Undo());
        Element* cell = InsertCell(*TableRows(*TheTable(document))[1], c.index);
        ASSERT_NE(cell, nullptr) << c.index;
        EXPECT_TRUE(cell->HasTagName("TD")) << c.index;
        EXPECT_EQ(RowTexts(*TheTable(document)), c.cells) << c.index;
        ASSERT_TRUE(document.Undo());
        EXPECT_EQ(BodyHtml(document), kTable) << c.index;
    }
    Document document;
    LoadBody(document, kTable);
    EXPECT_EQ(InsertRow(*TheTable(document), 4), nullptr);
    EXPECT_EQ(InsertRow(*TheTable(document), -2), nullptr);
    EXPECT_EQ(InsertRow(*document.Body(), 0), nullptr);
    EXPECT_EQ(InsertCell(*TableRows(*TheTable(document))[0], 5), nullptr);
    EXPECT_EQ(BodyHtml(document), kTable);
    // A table without rows gets a new TBODY for its first.
    LoadBody(document, "<TABLE></TABLE>");
    ASSERT_NE(InsertCell(*InsertRow(*TheTable(document), 0), 0), nullptr);
    EXPECT_EQ(BodyHtml(document), "<TABLE><TBODY><TR><TD></TD></TR></TBODY></TABLE>");
}

TEST(HtmlTables, DeleteRowsAndCells)
{
    const Case cases[] = {
        {0, "b1,b2,b3,|c1,c2,c3,|", "a2,a3,|b1,b2,b3,|c1,c2,c3,|"},
        {1, "a1,a2,a3,|c1,c2,c3,|", "a1,a3,|b1,b2,b3,|c1,c2,c3,|"},
        {2, "a1,a2,a3,|b1,b2,b3,|", "a1,a2,|b1,b2,b3,|c1,c2,c3,|"},
    };
    for (const Case& c : cases) {
        Document document;
        LoadBody(document, kTable);
        ASSERT_TRUE(DeleteRow(*TheTable(document), c.index));
        EXPECT_EQ(RowTexts(*TheTable(document)), c.rows) << c.index;
        ASSERT_TRUE(document.Undo());
        ASSERT_TRUE(DeleteCell(*TableRows(*TheTable(document))[0], c.index));
        EXPECT_EQ(RowTexts(*TheTable(document)), c.cells) << c.index;
        ASSERT_TRUE(document.Undo());
        EXPECT_EQ(BodyHtml(document), kTable) << c.index;
    }
    Document document;
    LoadBody(document, kTable);
    EXPECT_FALSE(DeleteRow(*TheTable(document), 3));
    EXPECT_FALSE(DeleteRow(*TheTable(document), -1));
    EXPECT_FALSE(DeleteCell(*TableRows(*TheTable(document))[0], 3));
}
