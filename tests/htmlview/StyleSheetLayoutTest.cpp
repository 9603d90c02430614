// Style sheet rules in layout and paint: the box properties they set
// (margins, padding, borders, sizes, auto margins, display, cell alignment,
// border spacing), the colours they paint (over presentational attributes,
// inherited, rgba over the background, the body's colour over the whole
// view), border lines, @media following the width, a sheet edited after
// layout, siblings restyled by an edit and a line of inline blocks after an
// edit.
#include "LayoutTestSupport.h"
#include "html/Document.h"

#include <QColor>

#include <cstdlib>

using namespace vellum;
using namespace vellum::html;
using namespace vellum::html::testing;

namespace {

// The share of `area`'s pixels within a step or two of `color`.
double ShareOf(const QImage& picture, const QRectF& area, QColor color)
{
    auto near = [&](QColor pixel) {
        return std::abs(pixel.red() - color.red()) <= 2 &&
               std::abs(pixel.green() - color.green()) <= 2 &&
               std::abs(pixel.blue() - color.blue()) <= 2;
    };
    QRect bounded = area.toAlignedRect().intersected(picture.rect());
    if (bounded.isEmpty())
        return 0;
    int count = 0;
    for (int y = bounded.top(); y <= bounded.bottom(); ++y)
        for (int x = bounded.left(); x <= bounded.right(); ++x)
            count += near(picture.pixelColor(x, y)) ? 1 : 0;
    return double(count) / (bounded.width() * bounded.height());
}

std::string Sheet(const std::string& css)
{
    return "<STYLE>" + css + "</STYLE>";
}

} // namespace

TEST(LayoutStyleSheet, BoxPropertiesFromRules)
{
    struct Case
    {
        const char* css;
        const char* body;
        const char* tag;
        std::size_t n;
        qreal x, y, width, height; // -1: not checked
    };
    const Case cases[] = {
        {"body { margin: 0 } div { padding: 5px 10px; border: 2px solid red; width: 100px }",
         "<DIV>x</DIV>", "DIV", 0, 0, 0, 124, -1},
        {"body { margin: 0 } #c { width: 200px; margin: 0 auto }", "<DIV id=c>x</DIV>", "DIV", 0,
         100, 0, 200, -1},
        {"body { margin: 0 } table { max-width: 300px; margin: 0 auto; width: 100% }",
         "<TABLE><TR><TD>x</TD></TR></TABLE>", "TABLE", 0, 50, 0, 300, -1},
        {"body { margin: 10pt } div { margin-top: 1em; font-size: 20px }", "<DIV>x</DIV>", "DIV", 0,
         13.33, 20, -1, -1},
        {"body { margin: 0 } .gone { display: none } span.block { display: block }",
         "<DIV class=gone>hidden</DIV><SPAN class=block>x</SPAN><DIV>y</DIV>", "DIV", 0, -1, -1, 0,
         0},
        {"body { margin: 0 } td { height: 60px; vertical-align: top; padding: 0 } table { "
         "border-collapse: collapse }",
         "<TABLE cellpadding=0><TR><TD>x</TD></TR></TABLE>", "TD", 0, 0, 0, -1, 60},
        {"body { margin: 0 } div { margin: 10% 0 0 10% }", "<DIV>x</DIV>", "DIV", 0, 40, 40, 360,
         -1},
        {"body { margin: 0 } .t { display: table } .r { display: table-row } .c { display: "
         "table-cell; width: 100px }",
         "<DIV class=t><DIV class=r><DIV class=c>a</DIV><DIV class=c>b</DIV></DIV></DIV>", "DIV", 3,
         100, 0, 100, -1},
        {"body { margin: 0 } .t { display: table } .c { display: table-cell; width: 100px }",
         "<DIV class=t><DIV class=c>a</DIV><DIV class=c>b</DIV></DIV>", "DIV", 2, 100, 0, 100, -1},
        // Collapsed borders: neighbouring cells share the line between them.
        {"body { margin: 0 } table { border-collapse: collapse } td { width: 50px; padding: 0; "
         "border: 2px solid black }",
         "<TABLE><TR><TD>a</TD><TD>b</TD></TR></TABLE>", "TD", 1, 52, 0, 52, -1},
        // Border spacing across and down, inherited by elements made tables.
        {"table { border-spacing: 10px 4px; margin: 0 } td { width: 50px; padding: 0 }",
         "<TABLE><TR><TD>a</TD><TD>b</TD></TR></TABLE>", "TD", 1, 78, 12, 50, -1},
        {"body { margin: 0 } .w { border-spacing: 7px } .t { display: table } .c { display: "
         "table-cell; width: 50px }",
         "<DIV class=w><DIV class=t><DIV class=c>a</DIV><DIV class=c>b</DIV></DIV></DIV>", "DIV", 3,
         64, 7, 50, -1},
        // Rows made blocks: cells made blocks stack at the row's width,
        // cells left alone sit side by side in a table made up for them.
        {"body { margin: 0 } tr { display: block } td { display: block; height: 20px }",
         "<TABLE cellspacing=0 width=400><TR><TD>a</TD><TD>b</TD></TR></TABLE>", "TD", 1, 0, 22,
         400, 22},
        {"body { margin: 0 } tr { display: block } td { width: 50px; padding: 0 }",
         "<TABLE><TR><TD>a</TD><TD>b</TD></TR></TABLE>", "TD", 1, 56, 4, 50, -1},
        // Inline blocks: cells side by side that wrap, blocks centred on
        // their line, on the baseline or the top, a space between them.
        {"body { margin: 0 } td { display: inline-block; width: 150px; padding: 0 }",
         "<TABLE cellspacing=0 width=400><TR><TD>a</TD><TD>b</TD><TD>c</TD></TR></TABLE>", "TD", 2,
         0, 16, 150, -1},
        {"body { margin: 0; font-size: 0; text-align: center } div { display: inline-block; "
         "width: 100px; font-size: 13px; line-height: 20px } .t { vertical-align: top }",
         "<DIV>a<BR>b</DIV><DIV>c</DIV><DIV class=t>d</DIV>", "DIV", 1, 150, 20, 100, 20},
        {"body { margin: 0; font-size: 0 } div { display: inline-block; width: 100px; font-size: "
         "13px; line-height: 20px } .t { vertical-align: top }",
         "<DIV>a<BR>b</DIV><DIV class=t>d</DIV>", "DIV", 1, 100, 0, 100, 20},
        {"body { margin: 0; font: 16px Arial } div { display: inline-block; width: 100px }",
         "<DIV>a</DIV> <DIV>b</DIV>", "DIV", 1, 104.4, -1, -1, -1},
    };
    for (const Case& c : cases) {
        LaidOutBody laid(c.body, 400, Sheet(c.css));
        QRectF rect = laid.Rect(c.tag, c.n);
        SCOPED_TRACE(c.css);
        if (c.x >= 0) {
            EXPECT_NEAR(rect.x(), c.x, 1);
        }
        if (c.y >= 0) {
            EXPECT_NEAR(rect.y(), c.y, 1);
        }
        if (c.width >= 0) {
            EXPECT_NEAR(rect.width(), c.width, 1);
        }
        if (c.height >= 0) {
            EXPECT_NEAR(rect.height(), c.height, 1);
        }
    }
}

TEST(LayoutStyleSheet, ColoursFromRulesPaintOverAttributesAndFillTheView)
{
    LaidOutBody laid(
        "<P id=p>red text</P><DIV class=k style='height: 40px'>x</DIV>"
        "<TABLE bgcolor=#ff0000 class=g width=200><TR><TD style='height: 40px'>t</TD></TR></TABLE>"
        "<DIV class=veil style='height: 40px'></DIV>",
        400,
        Sheet("p { color: #cc0000 } .k { background: #00aa00 url(x.png) no-repeat }"
              "body { background: #ffffe0 } .g { background-color: #0000ff }"
              ".veil { background: rgba(0, 0, 0, 0.5) }"));
    QImage picture = Paint(*laid.layout, QRect(0, 0, 400, 600));
    EXPECT_GT(ShareOf(picture, laid.Rect("DIV", 0), QColor(0x00, 0xaa, 0x00)), 0.9);
    EXPECT_GT(ShareOf(picture, laid.Rect("TABLE"), QColor(0, 0, 255)), 0.5);
    // Half-transparent black over the page's light yellow.
    EXPECT_GT(ShareOf(picture, laid.Rect("DIV", 1), QColor(0x80, 0x80, 0x70)), 0.9);
    // The body's colour covers the view below the content too.
    EXPECT_GT(ShareOf(picture, QRectF(0, 400, 400, 200), QColor(0xff, 0xff, 0xe0)), 0.99);
    Node* text = laid.TextOf(laid.Nth("P"));
    EXPECT_EQ(laid.layout->TextStyleAt({text, 1}).color, QColor(0xcc, 0, 0));
}

TEST(LayoutStyleSheet, InheritanceAndTheInheritKeyword)
{
    LaidOutBody laid("<DIV class=x>a<SPAN>b</SPAN><B>c</B></DIV>", 400,
                     Sheet(".x { color: green; font: italic 20px/30px serif } b { font-weight: "
                           "inherit; color: inherit }"));
    for (const char* tag : {"SPAN", "B"}) {
        TextStyle style = laid.layout->TextStyleAt({laid.TextOf(laid.Nth(tag)), 0});
        EXPECT_EQ(style.color, QColor(0, 128, 0)) << tag;
        EXPECT_TRUE(style.font.italic()) << tag;
        EXPECT_FALSE(style.font.bold()) << tag;
        EXPECT_EQ(style.font.pixelSize(), 20) << tag;
    }
    EXPECT_NEAR(laid.Rect("DIV").height(), 30, 1);
}

TEST(LayoutStyleSheet, MediaRulesFollowTheWidthAndEditedSheetsRestyle)
{
    LaidOutBody laid("<DIV id=d>x</DIV>", 700,
                     Sheet("div { height: 50px } @media (max-width: 600px) { div { height: 90px "
                           "} }"));
    EXPECT_NEAR(laid.Rect("DIV").height(), 50, 1);
    laid.layout->SetWidth(500);
    EXPECT_NEAR(laid.Rect("DIV").height(), 90, 1);
    Element* style = laid.document.Head()->GetElementsByTagName("STYLE").at(0);
    static_cast<CharacterData*>(style->FirstChild())->SetData(u"div { height: 20px }");
    EXPECT_NEAR(laid.Rect("DIV").height(), 20, 1);
}

TEST(LayoutStyleSheet, BorderLinesDrawnInTheirStyle)
{
    // The blue share of the top border's strip.
    const std::pair<const char*, double> cases[] = {
        {"4px solid", 1}, {"4px dotted", 0.5}, {"4px dashed", 0.5}, {"6px double", 0.67}};
    for (const auto& [border, share] : cases) {
        LaidOutBody laid("<DIV>x</DIV>", 400,
                         Sheet(std::string("div { border-top: ") + border + " #0000ff }"));
        QRectF strip(8, 8, 384, border[0] - '0');
        EXPECT_NEAR(ShareOf(Paint(*laid.layout), strip, QColor(0, 0, 255)), share, 0.1) << border;
    }
}

TEST(LayoutStyleSheet, AnEditRestylesTheSiblingsItsSelectorsLookAt)
{
    LaidOutBody laid("<P>a</P><P>b</P>", 400,
                     Sheet("p { margin: 0; height: 20px } p:first-child { height: 50px } .k + p { "
                           "height: 30px }"));
    Element* first = laid.Nth("P");
    first->Parent()->InsertBefore(laid.document.CreateElement("P"), first);
    EXPECT_NEAR(laid.Rect("P", 1).height(), 20, 1) << "no longer the first child";
    laid.Nth("P", 1)->SetAttribute("class", u"k");
    EXPECT_NEAR(laid.Rect("P", 2).height(), 30, 1) << "now after a .k";
}

TEST(LayoutStyleSheet, AnEditInAnInlineBlockPlacesItsLineAsAFullLayoutDoes)
{
    LaidOutBody laid("<DIV>a</DIV><DIV>b</DIV>", 400,
                     Sheet("body { margin: 0 } div { display: inline-block }"));
    static_cast<CharacterData*>(laid.TextOf(laid.Nth("DIV")))->SetData(u"a wider text");
    QRectF first = laid.Rect("DIV"), second = laid.Rect("DIV", 1);
    EXPECT_NEAR(second.left(), first.right(), 0.5) << "beside the grown block";
    laid.layout->Invalidate();
    EXPECT_EQ(second, laid.Rect("DIV", 1));
}
