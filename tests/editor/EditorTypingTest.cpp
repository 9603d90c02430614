// Typing in the editor as a person does, with real keys on the view and the
// toolbar refreshed by the view's own caret signal: one Ctrl+Z per typed
// run, the font lists following the caret by keys and clicks (sizes and
// faces inherited from cells, tables and spans included), and typing into
// a new table's cells and walking them with Tab. Pictures of the toolbar
// with the caret in 24 px table text and of a table filled by Tab land in the
// build folder's "screenshots/".
#include "EditorTestSupport.h"
#include "html/InlineStyle.h"
#include "platform/ui/DialogActions.h"
#include "platform/ui/WindowImage.h"
#include "support/Screenshots.h"
#include "ui/InputFormDlg.h"

#include <QImage>

using namespace vellum::editor::testing;
using namespace vellum;
using vellum::testing::ScreenshotPath;

namespace {

// Long enough for the view's caret signal, and so the toolbar refresh, to
// come between two keys.
void LetTheToolbarFollow()
{
    QTest::qWait(html::HtmlView::kCaretSignalMilliseconds + 100);
}

// What a list's box shows: its entry, or the value no entry has.
std::string Shown(const QComboBox& list)
{
    return list.currentIndex() >= 0 ? list.currentText().toStdString()
                                    : list.placeholderText().toStdString();
}

void ClickInto(html::HtmlView& view, const html::Element& element, qreal fx, qreal fy)
{
    QRectF box = view.Layout().ElementRect(element);
    QPointF point(box.left() + box.width() * fx, box.top() + box.height() * fy);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                      view.ToViewport(point).toPoint());
}

} // namespace

TEST_F(EditorTest, EachCtrlZTakesBackOneTypedRunAndShowsAChange)
{
    // A blank body's DIV and the style sheet the size box reads are no steps
    // of their own: right after loading there is nothing to undo.
    MakeEditor("");
    LetTheToolbarFollow();
    EXPECT_FALSE(Doc().CanUndo());

    MakeEditor("<DIV>Start</DIV>");
    html::HtmlView* view = editor->GetView();
    CaretIn("Start", 5);
    QTest::keyClicks(view, " Adde");
    LetTheToolbarFollow(); // the refresh in mid-word made the style sheet
    QTest::keyClicks(view, "d text");
    ASSERT_EQ(Doc().GetElementsByTagName("STYLE").size(), 1u);
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Body(), "<DIV>Start</DIV>");
    EXPECT_FALSE(Doc().CanUndo());

    // A caret move ends a run, even one that comes back to the same place;
    // Enter is a step of its own.
    QTest::keyClicks(view, " one");
    QTest::keyClick(view, Qt::Key_Left);
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClicks(view, " two");
    QTest::keyClick(view, Qt::Key_Return);
    QTest::keyClicks(view, "three");
    const std::vector<std::string> expected = {
        "<DIV>Start one two</DIV><DIV></DIV>",
        "<DIV>Start one two</DIV>",
        "<DIV>Start one</DIV>",
        "<DIV>Start</DIV>",
    };
    ASSERT_EQ(Body(), "<DIV>Start one two</DIV><DIV>three</DIV>");
    for (const std::string& body : expected) {
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(Body(), body);
    }
    EXPECT_FALSE(Doc().CanUndo());
}

TEST_F(EditorTest, FontListsFollowTheCaretByKeysAndClicksThroughInheritedStyles)
{
    window->resize(560, 240);
    MakeEditor("");
    const std::string face = List(CHtmlEditor::kFontName)->itemText(0).toStdString();
    // The first cell's text is centred in a row that the second cell's
    // lines make tall; the size comes from the table's style in points.
    MakeEditor("<P>plain</P><TABLE style=\"font-size: 18pt\" border=1 cellpadding=4 width=500>"
               "<TBODY><TR><TD>big</TD><TD style=\"font-family: '" +
               face +
               "', serif\"><FONT size=4>eighteen</FONT><BR>b<BR>c<BR>d</TD></TR></TBODY></TABLE>"
               "<P><SPAN style=\"font-size: 1.5em\">half again</SPAN></P>");
    editor->resize(560, 240);
    html::HtmlView* view = editor->GetView();
    QComboBox* sizes = List(CHtmlEditor::kFontSize);
    QComboBox* names = List(CHtmlEditor::kFontName);
    CaretIn("plain", 2);
    LetTheToolbarFollow();
    EXPECT_EQ(Shown(*sizes), "16");
    EXPECT_EQ(Shown(*names), "宋体") << "a face the display lacks is still named";

    // A click high in the first cell, level with the second cell's first
    // line, puts the caret in the first cell.
    ClickInto(*view, *Doc().GetElementsByTagName("TD")[0], 0.9, 0.1);
    LetTheToolbarFollow();
    EXPECT_EQ(html::testing::Utf8(Doc().GetSelection().GetRange().start.node->TextContent()),
              "big");
    EXPECT_EQ(Shown(*sizes), "24");
    const std::string picture = ScreenshotPath("editor-caret-in-24px-cell.png");
    ASSERT_TRUE(ui::RenderToPng(*window, picture));
    EXPECT_GT(vellum::testing::DistinctColours(QImage(QString::fromStdString(picture))), 8u);

    QTest::keyClick(view, Qt::Key_Right); // into the second cell
    LetTheToolbarFollow();
    EXPECT_EQ(Shown(*sizes), "18") << "a size the list lacks is shown, not the last one";
    EXPECT_EQ(Shown(*names), face);
    EXPECT_GE(names->currentIndex(), 0);

    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    LetTheToolbarFollow();
    EXPECT_EQ(Shown(*sizes), "24"); // 1.5em of 16
}

TEST_F(EditorTest, TypingIntoANewTableCellReplacesItsPlaceholder)
{
    MakeEditor("<P>ab</P>");
    CaretIn("ab", 2);
    desktop.ActInModal([](QWidget& dialog) { ui::PressControl(dialog, 1); });
    editor->OnCommand(CHtmlEditor::kInsertTable);
    html::HtmlView* view = editor->GetView();
    html::Element* cell = Doc().GetElementsByTagName("TD")[1];
    ClickInto(*view, *cell, 0.5, 0.5);
    QTest::keyClicks(view, "abc");
    EXPECT_EQ(html::testing::Utf8(cell->InnerHtml()), "abc");

    // A new row's cells hold their placeholder in a DIV.
    QTest::keyClick(view, Qt::Key_R, Qt::ControlModifier);
    cell = Doc().GetElementsByTagName("TR")[1]->GetElementsByTagName("TD")[1];
    ClickInto(*view, *cell, 0.9, 0.5);
    QTest::keyClicks(view, "x");
    EXPECT_EQ(html::testing::Utf8(cell->InnerHtml()), "<DIV>x</DIV>");
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(html::testing::Utf8(cell->InnerHtml()), "<DIV>&nbsp;</DIV>");
}

// The table menu's form is answered with 确定; what is typed next goes into
// the cells, Tab and Shift+Tab walk them in reading order, Tab in the last
// cell adds a row like the last one, and outside the table Tab indents.
TEST_F(EditorTest, ANewTableIsFilledByTypingAndTab)
{
    MakeEditor("<P>ab</P>");
    CaretIn("ab", 2);
    desktop.ActInModal([](QWidget& dialog) {
        int rows = CInputFormDlg::kFirstControlId;
        ui::SetWindowText(ui::FindControl(&dialog, rows), "2");
        ui::SetWindowText(ui::FindControl(&dialog, rows + 1), "2"); // columns
        ui::PressControl(dialog, 1);
    });
    editor->OnCommand(CHtmlEditor::kInsertTable);
    html::HtmlView* view = editor->GetView();
    auto cellTexts = [&] {
        std::string texts;
        for (html::Element* cell : Doc().GetElementsByTagName("TD"))
            texts += html::testing::Utf8(cell->InnerHtml()) + "|";
        return texts;
    };

    // Typed text, with '>' for Tab and '<' for Shift+Tab.
    auto walk = [view](const std::string& keys) {
        for (char key : keys)
            if (key == '>' || key == '<')
                QTest::keyClick(view, key == '>' ? Qt::Key_Tab : Qt::Key_Backtab,
                                key == '>' ? Qt::NoModifier : Qt::ShiftModifier);
            else
                QTest::keyClicks(view, QString(QChar(key)));
    };
    walk("cell1>cell2<+>>cell3");
    EXPECT_EQ(cellTexts(), "+cell1|cell2|cell3|&nbsp;|");

    // Tab in the last cell adds a row, one undo step.
    walk(">>row3");
    ASSERT_EQ(Doc().GetElementsByTagName("TR").size(), 3u);
    EXPECT_EQ(cellTexts(), "+cell1|cell2|cell3|&nbsp;|row3|&nbsp;|");
    const std::string picture = ScreenshotPath("editor-table-filled-by-tab.png");
    ASSERT_TRUE(ui::RenderToPng(*window, picture));
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Doc().GetElementsByTagName("TR").size(), 2u);

    // Shift+Tab in the first cell stays there.
    CaretIn("+cell1", 0);
    walk("<=");
    EXPECT_EQ(cellTexts().substr(0, 8), "=+cell1|");

    // Outside tables Tab still indents.
    CaretIn("ab", 2);
    walk(">");
    EXPECT_NE(Body().find("ab&nbsp;&nbsp;&nbsp;&nbsp;"), std::string::npos) << Body();
}
