// Incremental relayout: an edit lays out only the block it touched and
// moves the blocks below; a new paragraph builds one box; a load throws
// everything away; a width change relays out. Also selection painting,
// which must change the pixels of the selected text and nothing else.
#include "LayoutTestSupport.h"
#include "platform/html/Editing.h"

using namespace vellum::html;
using namespace vellum::html::testing;

namespace {

int DifferentPixels(const QImage& a, const QImage& b, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return count;
}

TEST(LayoutIncremental, SelectionPaintsHighlightedRunsOverTheSelectedTextOnly)
{
    LaidOutBody body("<DIV>first line of text</DIV><DIV>second line of text</DIV><DIV>"
                     "<IMG width=30 height=30 src=\"none.png\"></DIV>");
    QRect area(0, 0, 400, body.layout->Height());
    QImage plain = Paint(*body.layout, area);
    Node* first = body.TextOf(body.Nth("DIV", 0));
    body.document.SetTextRange(first, 6, first, 10); // "line"
    QImage selected = Paint(*body.layout, area);
    QRectF from = body.layout->CaretRect({first, 6});
    QRectF to = body.layout->CaretRect({first, 10});
    QRect inside =
        QRectF(from.left() + 1, from.top() + 1, to.left() - from.left() - 2, from.height() - 2)
            .toRect();
    EXPECT_GT(DifferentPixels(plain, selected, inside), inside.width() * inside.height() / 2);
    QRect outside(0, 0, area.width(), static_cast<int>(from.top()) - 1);
    EXPECT_EQ(DifferentPixels(plain, selected, outside), 0);
    QRectF second = body.Rect("DIV", 1);
    EXPECT_EQ(DifferentPixels(plain, selected, second.toRect().adjusted(0, 1, 0, 0)), 0);
    // Not shown when the caller says so.
    EXPECT_EQ(DifferentPixels(plain, Paint(*body.layout, area, false), area), 0);

    // A control selection frames the image with handles around it.
    Element* image = body.Nth("IMG");
    body.document.SetSelection(Selection::Controls({image}));
    QImage framed = Paint(*body.layout, area);
    QRect frame = body.layout->ElementRect(*image).toRect().adjusted(-3, -3, 3, 3);
    EXPECT_GT(DifferentPixels(plain, framed, frame), 20);
    EXPECT_EQ(DifferentPixels(plain, framed, QRect(0, 0, area.width(), frame.top() - 2)), 0);
}

} // namespace
