// Selecting in the view: Shift with the movement keys (the anchor stays),
// the goal column of vertical moves, the mouse (click, drag, Shift+click,
// double-click, a click on an image), scrolling that follows the caret and
// the dragging mouse, and the read-only view's scrolling keys.
#include "ViewTestSupport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

using namespace vellum::html;
using namespace vellum::html::testing;

namespace {

const Position& CaretOf(const HtmlView& view)
{
    return view.GetDocument().GetSelection().GetRange().start;
}

std::string ManyLines(int count)
{
    std::string body;
    for (int i = 0; i < count; ++i)
        body += "<DIV>line " + std::to_string(i) + "</DIV>";
    return body;
}

} // namespace

TEST(HtmlViewSelection, ShiftWithArrowsMovesOnlyTheFocusEnd)
{
    auto view = ShowView("<DIV>abcdef ghi</DIV>");
    PutCaret(*view, At(*view, "abcdef", 2));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(view.get(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(SelectedText(*view), "cde");
    QTest::keyClick(view.get(), Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(SelectedText(*view), "cd");
    // Past the anchor the selection turns round it.
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(view.get(), Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(SelectedText(*view), "ab");
    QTest::keyClick(view.get(), Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(SelectedText(*view), "cdef ghi");

    // Without Shift, Left and Right end a selection at its start or end.
    QTest::keyClick(view.get(), Qt::Key_Left);
    EXPECT_TRUE(view->GetDocument().GetSelection().IsCaret());
    EXPECT_EQ(CaretOf(*view), At(*view, "abcdef", 2));
    QTest::keyClick(view.get(), Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(view.get(), Qt::Key_Right);
    EXPECT_EQ(CaretOf(*view), view->Layout().LineEnd(At(*view, "abcdef", 2)));

    // Ctrl+Shift+Left selects word-wise from the end.
    QTest::keyClick(view.get(), Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(SelectedText(*view), "ghi");
    // Ctrl+A selects everything.
    QTest::keyClick(view.get(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(SelectedText(*view), "abcdef ghi");
}

TEST(HtmlViewSelection, UpAndDownKeepTheColumnAcrossAShortLine)
{
    auto view = ShowView("<DIV>xxxxxxxxxxxx</DIV><DIV>x</DIV><DIV>xxxxxxxxxxxx</DIV>");
    CharacterData* first = TextHolding(*view, "xxxxxxxxxxxx");
    Node* third = view->GetDocument().Body()->ChildAt(2)->FirstChild();
    PutCaret(*view, {first, 8});
    qreal column = view->Layout().CaretRect({first, 8}).left();

    QTest::keyClick(view.get(), Qt::Key_Down);
    const Position middle = CaretOf(*view);
    EXPECT_EQ(middle.node, view->GetDocument().Body()->ChildAt(1)->FirstChild());
    EXPECT_LT(view->Layout().CaretRect(middle).left(), column);
    QTest::keyClick(view.get(), Qt::Key_Down);
    EXPECT_EQ(CaretOf(*view), (Position{third, 8}));
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(view.get(), Qt::Key_Up);
    EXPECT_EQ(CaretOf(*view), (Position{first, 8}));

    // A horizontal move sets a new column.
    for (int key : {Qt::Key_Left, Qt::Key_Left, Qt::Key_Down, Qt::Key_Down})
        QTest::keyClick(view.get(), static_cast<Qt::Key>(key));
    EXPECT_EQ(CaretOf(*view), (Position{third, 6}));

    // Shift+Down from the first line selects down to the same column.
    PutCaret(*view, {first, 8});
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(view.get(), Qt::Key_Down, Qt::ShiftModifier);
    Range range = view->GetDocument().GetSelection().GetRange();
    EXPECT_EQ(range.start, (Position{first, 8}));
    EXPECT_EQ(range.end, (Position{third, 8}));
}

TEST(HtmlViewSelection, EndOfAWrappedChineseLineKeepsTheCaretOnThatLine)
{
    auto view = ShowView("<DIV>" + Repeat("中文字符", 12) + "</DIV>", true, 220, 300);
    CharacterData* node = TextHolding(*view, "中文字符");
    const DocumentLayout& layout = view->Layout();
    // The first position that both ends the first line and starts the second.
    std::size_t wrap = 0;
    for (std::size_t i = 1; i < node->Length() && wrap == 0; ++i)
        if (layout.CaretRect({node, i}, CaretAffinity::PreviousLine) !=
            layout.CaretRect({node, i}, CaretAffinity::NextLine))
            wrap = i;
    ASSERT_GT(wrap, 0u) << "the text did not wrap";
    qreal firstLine = view->ToViewport(layout.CaretRect({node, 0}).topLeft()).y();
    qreal secondLine =
        view->ToViewport(layout.CaretRect({node, wrap}, CaretAffinity::NextLine).topLeft()).y();
    ASSERT_GT(secondLine, firstLine);

    PutCaret(*view, {node, 0});
    QTest::keyClick(view.get(), Qt::Key_End);
    EXPECT_EQ(CaretOf(*view), (Position{node, wrap}));
    EXPECT_EQ(view->CaretViewportRect().top(), firstLine);
    QTest::keyClick(view.get(), Qt::Key_End);
    EXPECT_EQ(CaretOf(*view), (Position{node, wrap}));
    EXPECT_EQ(view->CaretViewportRect().top(), firstLine);
    QTest::keyClick(view.get(), Qt::Key_Home);
    EXPECT_EQ(CaretOf(*view), (Position{node, 0}));

    // Down from the end of the first line lands on the second, Up returns
    // to the end of the first.
    QTest::keyClick(view.get(), Qt::Key_End);
    QTest::keyClick(view.get(), Qt::Key_Down);
    EXPECT_EQ(view->CaretViewportRect().top(), secondLine);
    EXPECT_GT(CaretOf(*view).offset, wrap);
    QTest::keyClick(view.get(), Qt::Key_Up);
    EXPECT_EQ(CaretOf(*view), (Position{node, wrap}));
    EXPECT_EQ(view->CaretViewportRect().top(), firstLine);

    // A click beyond the end of the first line puts the caret there too.
    PutCaret(*view, {node, 0});
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(view->viewport()->width() - 3, static_cast<int>(firstLine) + 4));
    EXPECT_EQ(CaretOf(*view), (Position{node, wrap}));
    EXPECT_EQ(view->CaretViewportRect().top(), firstLine);
}

TEST(HtmlViewSelection, WhatIsWiderThanTheViewScrollsSideways)
{
    // A table wider than the view, with text in its far column.
    auto view = ShowView("<DIV>left</DIV><TABLE><TR><TD>near</TD><TD><IMG width=\"600\" "
                         "height=\"20\" src=\"none.png\"></TD><TD>faraway</TD></TR></TABLE>",
                         true, 300, 200);
    QScrollBar* bar = view->horizontalScrollBar();
    EXPECT_EQ(bar->maximum(), view->Layout().ContentWidth() - view->viewport()->width());
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), 0);

    PutCaret(*view, At(*view, "faraway", 0));
    view->EnsureCaretVisible();
    EXPECT_GT(bar->value(), 0);
    EXPECT_TRUE(CaretInView(*view));
    // Keys and clicks work on what is under them, scrolled as it is.
    QTest::keyClick(view.get(), Qt::Key_End);
    EXPECT_EQ(CaretOf(*view), At(*view, "faraway", 7));
    ClickAt(*view, "faraway", 3);
    EXPECT_EQ(CaretOf(*view), At(*view, "faraway", 3));

    QTest::keyClick(view.get(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(bar->value(), 0);

    // A word longer than the line: End scrolls to its end, and a click on
    // the part that was out of sight lands where it was made.
    auto word = ShowView("<DIV>" + std::string(120, 'w') + "</DIV>", true, 300, 200);
    PutCaret(*word, At(*word, "w", 0));
    QTest::keyClick(word.get(), Qt::Key_End);
    EXPECT_EQ(CaretOf(*word), At(*word, "w", 120));
    EXPECT_GT(word->horizontalScrollBar()->value(), 0);
    EXPECT_TRUE(CaretInView(*word));
    ClickAt(*word, "w", 110);
    EXPECT_EQ(CaretOf(*word), At(*word, "w", 110));
}

TEST(HtmlViewSelection, ClickDragShiftClickDoubleClickDragAndTripleClick)
{
    auto view = ShowView("<DIV>hello world</DIV><DIV>second line</DIV>");
    QPoint e = PointAt(*view, At(*view, "hello", 1));
    QPoint w = PointAt(*view, At(*view, "world", 3));

    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, w);
    EXPECT_TRUE(view->GetDocument().GetSelection().IsCaret());
    EXPECT_EQ(CaretOf(*view), At(*view, "world", 3));

    Drag(*view, e, w);
    EXPECT_EQ(SelectedText(*view), "ello wor");
    // Dragging backwards keeps the press point as the anchor.
    Drag(*view, w, e);
    EXPECT_EQ(SelectedText(*view), "ello wor");
    QTest::keyClick(view.get(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(SelectedText(*view), "llo wor");

    // Shift+click moves the focus end from the last anchor.
    QPoint second = PointAt(*view, At(*view, "second", 3));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, second);
    EXPECT_EQ(SelectedText(*view), "ld\r\nsec");

    // A drag after a double-click goes by words.
    view = ShowView("<DIV>alpha beta gamma delta</DIV><DIV>next block</DIV>");
    QWidget* viewport = view->viewport();
    QPoint beta = PointAt(*view, At(*view, "beta", 2));
    SendMouse(viewport, QEvent::MouseButtonPress, beta, Qt::LeftButton, Qt::LeftButton);
    SendMouse(viewport, QEvent::MouseButtonRelease, beta, Qt::LeftButton, Qt::NoButton);
    SendMouse(viewport, QEvent::MouseButtonDblClick, beta, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(SelectedText(*view), "beta");
    SendMouse(viewport, QEvent::MouseMove, PointAt(*view, At(*view, "gamma", 1)), Qt::NoButton,
              Qt::LeftButton);
    EXPECT_EQ(SelectedText(*view), "beta gamma");
    // Backwards the first word stays whole and the reached word comes in whole.
    SendMouse(viewport, QEvent::MouseMove, PointAt(*view, At(*view, "alpha", 3)), Qt::NoButton,
              Qt::LeftButton);
    EXPECT_EQ(SelectedText(*view), "alpha beta");
    SendMouse(viewport, QEvent::MouseButtonRelease, beta, Qt::LeftButton, Qt::NoButton);

    // A third click on the same spot selects the whole block.
    QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, beta);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, beta);
    EXPECT_EQ(SelectedText(*view), "alpha beta gamma delta");
    // A later single click is a plain click again.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, beta);
    EXPECT_TRUE(view->GetDocument().GetSelection().IsCaret());
}

TEST(HtmlViewSelection, ClickOnAnImageMakesAControlSelection)
{
    auto view =
        ShowView("<DIV>before <IMG width=\"60\" height=\"40\" src=\"none.png\"> after</DIV>");
    // A click beside it on text is a caret, not a control selection.
    ClickAt(*view, "after", 2);
    EXPECT_TRUE(view->GetDocument().GetSelection().IsCaret());
    const auto clickImage = [&] {
        Element* image = view->GetDocument().GetElementsByTagName("IMG").front();
        QRectF box = view->Layout().ElementRect(*image);
        EXPECT_FALSE(box.isNull());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                          view->ToViewport(box.center()).toPoint());
        return image;
    };
    Element* image = clickImage();
    const Selection& selection = view->GetDocument().GetSelection();
    ASSERT_TRUE(selection.IsControl());
    EXPECT_EQ(selection.ControlElements(), std::vector<Element*>{image});

    // Delete removes the selected image.
    QTest::keyClick(view.get(), Qt::Key_Delete);
    EXPECT_TRUE(view->GetDocument().GetElementsByTagName("IMG").empty());

    // Undo brings it back; Ctrl+X on it cuts it to the clipboard.
    QTest::keyClick(view.get(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(view->GetDocument().GetElementsByTagName("IMG").size(), 1u);
    clickImage();
    QTest::keyClick(view.get(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(view->GetDocument().GetElementsByTagName("IMG").empty());
    EXPECT_NE(
        QGuiApplication::clipboard()->mimeData()->html().indexOf("<IMG", 0, Qt::CaseInsensitive),
        -1);
}

TEST(HtmlViewSelection, CaretStaysInViewWhileMovingTypingAndDraggingBelowIt)
{
    auto view = ShowView(ManyLines(200), true, 300, 200);
    QScrollBar* bar = view->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), 0);
    PutCaret(*view, At(*view, "line 0", 0));

    QTest::keyClick(view.get(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_GT(bar->value(), bar->maximum() - view->viewport()->height() / 2);
    EXPECT_TRUE(CaretInView(*view));

    // Page Up moves the caret about a page up and the view with it.
    qreal caretBefore = view->Layout().CaretRect(CaretOf(*view)).top();
    QTest::keyClick(view.get(), Qt::Key_PageUp);
    qreal caretAfter = view->Layout().CaretRect(CaretOf(*view)).top();
    EXPECT_NEAR(caretBefore - caretAfter, view->viewport()->height(), 40);
    EXPECT_LT(bar->value(), bar->maximum());
    EXPECT_TRUE(CaretInView(*view));

    // Typing at the top scrolls back there.
    PutCaret(*view, At(*view, "line 0", 0));
    QTest::keyClicks(view.get(), "x");
    EXPECT_TRUE(CaretInView(*view));
    EXPECT_LT(bar->value(), view->CaretViewportRect().height() * 2);

    // Dragging below the view scrolls it and extends the selection there.
    bar->setValue(0);
    QWidget* viewport = view->viewport();
    QPoint start = PointAt(*view, At(*view, "line 1", 2));
    QPoint below(start.x(), viewport->height() + 30);
    SendMouse(viewport, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    SendMouse(viewport, QEvent::MouseMove, below, Qt::NoButton, Qt::LeftButton);
    QTest::qWait(400);
    int scrolled = bar->value();
    EXPECT_GT(scrolled, 0);
    SendMouse(viewport, QEvent::MouseButtonRelease, below, Qt::LeftButton, Qt::NoButton);
    Range range = view->GetDocument().GetSelection().GetRange();
    EXPECT_EQ(range.start, At(*view, "line 1", 2));
    // The selection reaches below what was visible before scrolling.
    EXPECT_GT(view->Layout().CaretRect(range.end).top(), viewport->height());
    // After the release the view stays put.
    QTest::qWait(150);
    EXPECT_EQ(bar->value(), scrolled);
}

TEST(HtmlViewSelection, ReadOnlyMovementKeysScrollTheViewAndLeaveTheSelection)
{
    auto view = ShowView(ManyLines(200), false, 300, 200);
    QScrollBar* bar = view->verticalScrollBar();
    PutCaret(*view, At(*view, "line 0", 0));
    const Selection before = view->GetDocument().GetSelection();

    QTest::keyClick(view.get(), Qt::Key_Down);
    EXPECT_EQ(bar->value(), bar->singleStep());
    QTest::keyClick(view.get(), Qt::Key_PageDown);
    EXPECT_EQ(bar->value(), bar->singleStep() + bar->pageStep());
    QTest::keyClick(view.get(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(bar->value(), bar->maximum());
    QTest::keyClick(view.get(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(view->GetDocument().GetSelection(), before);
}
