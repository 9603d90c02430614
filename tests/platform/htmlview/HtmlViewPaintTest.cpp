// What the view puts on screen: the caret at the layout's caret rectangle
// (and none in the read-only view), and repaints limited to what an edit
// changed.
#include "ViewTestSupport.h"

#include <QImage>
#include <QPaintEvent>
#include <QRegion>

using namespace vellum::html;
using namespace vellum::html::testing;

namespace {

QImage Picture(HtmlView& view)
{
    QApplication::processEvents();
    return view.viewport()->grab().toImage();
}

bool IsDark(QRgb pixel)
{
    return qGray(pixel) < 100;
}

// Collects the areas the viewport is asked to repaint.
class PaintRecorder : public QObject
{
public:
    explicit PaintRecorder(QWidget* target) { target->installEventFilter(this); }
    QRegion painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

} // namespace

TEST(HtmlViewPaint, CaretIsDrawnAtTheLayoutCaretRectangleOnlyWhileEditing)
{
    auto view = ShowView("<DIV>ab</DIV>");
    PutCaret(*view, At(*view, "ab", 2));
    QRectF caret = view->CaretViewportRect();
    ASSERT_FALSE(caret.isNull());
    QRectF layoutCaret = view->Layout().CaretRect(At(*view, "ab", 2));
    EXPECT_NEAR(caret.left(), layoutCaret.left(), 0.51);
    EXPECT_NEAR(caret.height(), layoutCaret.height(), 0.5);

    QPoint probe(static_cast<int>(caret.left()), static_cast<int>(caret.center().y()));
    EXPECT_TRUE(IsDark(Picture(*view).pixel(probe)));

    view->SetEditable(false);
    EXPECT_TRUE(view->CaretViewportRect().isNull());
    EXPECT_FALSE(IsDark(Picture(*view).pixel(probe)));

    // No caret either while the view does not have the focus.
    view->SetEditable(true);
    view->clearFocus();
    EXPECT_FALSE(IsDark(Picture(*view).pixel(probe)));
}

TEST(HtmlViewPaint, TypingRepaintsOnlyTheChangedBlock)
{
    std::string body;
    for (int i = 0; i < 12; ++i)
        body += "<DIV>paragraph " + std::to_string(i) + "</DIV>";
    auto view = ShowView(body, true, 400, 400);
    PutCaret(*view, At(*view, "paragraph 3", 11));
    QApplication::processEvents();

    PaintRecorder recorder(view->viewport());
    QTest::keyClick(view.get(), Qt::Key_X);
    QApplication::processEvents();
    EXPECT_NE(BodyOf(*view).find("paragraph 3x"), std::string::npos);
    ASSERT_FALSE(recorder.painted.isEmpty());
    QRect painted = recorder.painted.boundingRect();
    QRectF block = view->Layout().ElementRect(*view->GetDocument().Body()->ChildAt(3)->AsElement());
    QRectF onScreen = block.translated(view->ToViewport(QPointF(0, 0)));
    EXPECT_TRUE(painted.contains(onScreen.toAlignedRect().adjusted(1, 1, -1, -1)));
    EXPECT_LT(painted.height(), view->viewport()->height() / 3);

    // Enter moves everything below, so the repaint reaches the bottom.
    recorder.painted = QRegion();
    QTest::keyClick(view.get(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_GE(recorder.painted.boundingRect().bottom(),
              static_cast<int>(view->ToViewport(QPointF(0, view->Layout().Height())).y()) - 2);
}
