// Editing through the view: the key table (which presses move, extend, edit
// or mean nothing), keys and input-method commits reaching the document, the
// owner's key filter that sees keys first, Enter, Delete and Backspace
// across blocks, undo and redo, and the read-only view refusing every change.
#include "ViewTestSupport.h"
#include "htmlview/ViewKeys.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>

#include <vector>

using namespace vellum::html;
using namespace vellum::html::testing;

namespace {

void SendPreedit(HtmlView& view, const QString& preedit)
{
    QList<QInputMethodEvent::Attribute> attributes{
        {QInputMethodEvent::Cursor, static_cast<int>(preedit.size()), 1, QVariant()}};
    QInputMethodEvent event(preedit, attributes);
    QCoreApplication::sendEvent(&view, &event);
}

void SendCommit(HtmlView& view, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(&view, &event);
}

struct KeyCase
{
    int key;
    Qt::KeyboardModifiers modifiers;
    ViewAction action;
    bool extend = false;
};

} // namespace

TEST(HtmlViewEditing, InputMethodPreeditStaysOutOfTheDocumentUntilCommitted)
{
    auto view = ShowView("<DIV>ab</DIV>");
    PutCaret(*view, At(*view, "ab", 1));
    SendPreedit(*view, "zhong");
    EXPECT_EQ(view->PreeditText(), "zhong");
    EXPECT_EQ(BodyOf(*view), "<DIV>ab</DIV>");

    // The input method's window goes where the caret is.
    QRect cursor = view->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    QRectF caret = view->Layout().CaretRect(At(*view, "ab", 1));
    EXPECT_FALSE(cursor.isEmpty());
    EXPECT_NEAR(cursor.center().y(), view->ToViewport(caret.center()).y() + view->viewport()->y(),
                2);
    EXPECT_EQ(view->inputMethodQuery(Qt::ImSurroundingText).toString(), "ab");
    EXPECT_EQ(view->inputMethodQuery(Qt::ImCursorPosition).toInt(), 1);
    EXPECT_EQ(view->inputMethodQuery(Qt::ImTextBeforeCursor).toString(), "a");
    EXPECT_EQ(view->inputMethodQuery(Qt::ImTextAfterCursor).toString(), "b");
    EXPECT_TRUE(view->inputMethodQuery(Qt::ImEnabled).toBool());

    SendCommit(*view, QString::fromUtf8("中文"));
    EXPECT_TRUE(view->PreeditText().isEmpty());
    EXPECT_EQ(BodyOf(*view), "<DIV>a中文b</DIV>");
    EXPECT_EQ(view->inputMethodQuery(Qt::ImCursorPosition).toInt(), 3);

    // The commit is one step for undo.
    QTest::keyClick(view.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(BodyOf(*view), "<DIV>ab</DIV>");
}

// Whether the columns of `moved` from `x + shift` on show what the columns
// of `still` from `x` on show, over the rows `top` to `bottom`.
bool ShiftedRight(const QImage& still, const QImage& moved, int x, int shift, int top, int bottom)
{
    for (int y = top; y < bottom; ++y)
        for (int column = x; column + shift < still.width(); ++column)
            if (still.pixel(column, y) != moved.pixel(column + shift, y))
                return false;
    return true;
}

TEST(HtmlViewEditing, TheCompositionIsDrawnInTheCaretsTextStyleAndPushesTheRestAside)
{
    auto view = ShowView("<DIV><B><FONT color=\"#ff0000\">ab</FONT></B>cdef ghij</DIV>");
    PutCaret(*view, At(*view, "ab", 2));
    // The layout knows the style at the caret, an empty carrier included.
    TextStyle atCaret = view->Layout().TextStyleAt(At(*view, "ab", 2));
    EXPECT_TRUE(atCaret.font.bold());
    EXPECT_EQ(atCaret.color, QColor(255, 0, 0));
    EXPECT_FALSE(view->Layout().TextStyleAt(At(*view, "cdef", 1)).font.bold());

    QImage before = view->viewport()->grab().toImage();
    SendPreedit(*view, "zz");
    EXPECT_TRUE(view->inputMethodQuery(Qt::ImFont).value<QFont>().bold());
    QApplication::processEvents();
    QImage during = view->viewport()->grab().toImage();

    QRect line = view->CaretViewportRect().toAlignedRect();
    int x = line.left() + 3; // past the caret, which moves too
    int shift = 1;
    while (shift < 100 && !ShiftedRight(before, during, x, shift, line.top(), line.bottom()))
        ++shift;
    EXPECT_LT(shift, 100) << "the text after the caret is not shown moved right";
    int red = 0;
    for (int y = line.top(); y < line.bottom(); ++y)
        for (int column = line.left(); column < line.left() + shift; ++column)
            red += QColor(during.pixel(column, y)).red() > 200 &&
                   QColor(during.pixel(column, y)).green() < 100;
    EXPECT_GT(red, 5) << "the composition is not drawn in the caret's colour";
    EXPECT_EQ(BodyOf(*view), "<DIV><B><FONT color=\"#ff0000\">ab</FONT></B>cdef ghij</DIV>");
    // Cancelling the composition restores the picture.
    QInputMethodEvent cancel(QString(), {});
    QCoreApplication::sendEvent(view.get(), &cancel);
    QApplication::processEvents();
    EXPECT_EQ(view->viewport()->grab().toImage(), before);

    // In a table only the caret's cell makes room; the next cell stays.
    auto table = ShowView("<TABLE><TR><TD width=\"150\">ab</TD><TD>cdef</TD></TR></TABLE>");
    PutCaret(*table, At(*table, "ab", 1));
    QImage still = table->viewport()->grab().toImage();
    SendPreedit(*table, "zz");
    QApplication::processEvents();
    QImage composing = table->viewport()->grab().toImage();
    QRectF cell = table->Layout().ElementRect(*table->GetDocument().GetElementsByTagName("TD")[1]);
    QRect next = QRectF(table->ToViewport(cell.topLeft()), cell.size()).toAlignedRect();
    EXPECT_EQ(still.copy(next), composing.copy(next));
}

TEST(HtmlViewEditing, AClickEndsTheCompositionAndACommitCanReplaceTextBeforeTheCaret)
{
    auto view = ShowView("<DIV>abcdef</DIV>");
    PutCaret(*view, At(*view, "abcdef", 1));
    SendPreedit(*view, "ni");
    ClickAt(*view, "abcdef", 5);
    EXPECT_TRUE(view->PreeditText().isEmpty());
    EXPECT_EQ(view->GetDocument().GetSelection().GetRange().start, At(*view, "abcdef", 5));
    EXPECT_EQ(BodyOf(*view), "<DIV>abcdef</DIV>");

    // A commit that replaces the character before the caret corrects it.
    QInputMethodEvent replace;
    replace.setCommitString(QString::fromUtf8("文"), -1, 1);
    QCoreApplication::sendEvent(view.get(), &replace);
    EXPECT_EQ(BodyOf(*view), "<DIV>abcd文f</DIV>");
}

TEST(HtmlViewEditing, KeyFilterSeesKeysFirstAndCanSwallowThem)
{
    auto view = ShowView("<DIV>ab</DIV>");
    PutCaret(*view, At(*view, "ab", 2));
    std::vector<int> seen;
    view->SetKeyFilter([&](QKeyEvent& key) {
        // Control arrives as a press of its own, which is not the point here.
        if (key.key() != Qt::Key_Control)
            seen.push_back(key.key());
        // The editor's own shortcuts; Ctrl+V would paste, swallowing it
        // proves the view never acted on it.
        return key.modifiers() == Qt::ControlModifier &&
               (key.key() == Qt::Key_S || key.key() == Qt::Key_N || key.key() == Qt::Key_V);
    });
    QGuiApplication::clipboard()->setText("zz");
    QTest::keyClick(view.get(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(view.get(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(view.get(), Qt::Key_C);
    QTest::keyClick(view.get(), Qt::Key_Tab);
    EXPECT_EQ(seen, (std::vector<int>{Qt::Key_S, Qt::Key_V, Qt::Key_C, Qt::Key_Tab}));
    // Tab indents with no-break spaces and keeps the focus.
    EXPECT_EQ(BodyOf(*view), "<DIV>abc&nbsp;&nbsp;&nbsp;&nbsp;</DIV>");
    EXPECT_TRUE(view->hasFocus());

    // Without a filter Ctrl+V pastes again.
    view->SetKeyFilter({});
    QTest::keyClick(view.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(BodyOf(*view), "<DIV>abc&nbsp;&nbsp;&nbsp;&nbsp;zz</DIV>");
}

TEST(HtmlViewEditing, EnterSplitsBlocksDeleteAndBackspaceJoinThemShiftEnterBreaksTheLine)
{
    auto view = ShowView("<DIV>abcd</DIV>");
    PutCaret(*view, At(*view, "abcd", 2));
    QRectF before = view->Layout().CaretRect(view->GetDocument().GetSelection().GetRange().start);

    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_EQ(BodyOf(*view), "<DIV>ab</DIV><DIV>cd</DIV>");
    // The caret went down to the start of the new block.
    QRectF after = view->Layout().CaretRect(view->GetDocument().GetSelection().GetRange().start);
    EXPECT_GT(after.top(), before.top());
    EXPECT_LT(after.left(), before.left());

    QTest::keyClick(view.get(), Qt::Key_X);
    EXPECT_EQ(BodyOf(*view), "<DIV>ab</DIV><DIV>xcd</DIV>");
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(view.get(), Qt::Key_Backspace);
    EXPECT_EQ(BodyOf(*view), "<DIV>abcd</DIV>");
    // The input method sees the joined text around the caret.
    EXPECT_EQ(view->inputMethodQuery(Qt::ImSurroundingText).toString(), "abcd");
    EXPECT_EQ(view->inputMethodQuery(Qt::ImCursorPosition).toInt(), 2);
    QTest::keyClick(view.get(), Qt::Key_X);
    EXPECT_EQ(BodyOf(*view), "<DIV>abxcd</DIV>");

    // Bold at the caret and an arrow key away leaves no empty B behind.
    ASSERT_TRUE(view->Commands().Exec(command::Bold));
    ASSERT_NE(BodyOf(*view), "<DIV>abxcd</DIV>");
    QTest::keyClick(view.get(), Qt::Key_Right);
    EXPECT_EQ(BodyOf(*view), "<DIV>abxcd</DIV>");

    view = ShowView("<DIV>ab</DIV><DIV>cd</DIV>");
    PutCaret(*view, At(*view, "ab", 2));
    QTest::keyClick(view.get(), Qt::Key_Delete);
    EXPECT_EQ(BodyOf(*view), "<DIV>abcd</DIV>");
    QTest::keyClick(view.get(), Qt::Key_Delete);
    EXPECT_EQ(BodyOf(*view), "<DIV>abd</DIV>");
    QTest::keyClick(view.get(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(BodyOf(*view), "<DIV>ab<BR>d</DIV>");
}

TEST(HtmlViewEditing, UndoAndRedoAfterTyping)
{
    auto view = ShowView("<DIV>one</DIV>");
    PutCaret(*view, At(*view, "one", 3));
    QTest::keyClicks(view.get(), " two");
    QTest::keyClick(view.get(), Qt::Key_Return);
    QTest::keyClicks(view.get(), "three");
    ASSERT_EQ(BodyOf(*view), "<DIV>one two</DIV><DIV>three</DIV>");

    for (int i = 0; i < 3; ++i)
        QTest::keyClick(view.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(BodyOf(*view), "<DIV>one</DIV>");
    QTest::keyClick(view.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_NE(BodyOf(*view), "<DIV>one</DIV>");
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(view.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(BodyOf(*view), "<DIV>one two</DIV><DIV>three</DIV>");
    // The caret is after what redo brought back, so typing continues there.
    QTest::keyClicks(view.get(), "!");
    EXPECT_EQ(BodyOf(*view), "<DIV>one two</DIV><DIV>three!</DIV>");
}

TEST(HtmlViewEditing, ReadOnlyViewRefusesEditsButSelectsAndCopies)
{
    auto view = ShowView("<DIV>read me</DIV><DIV>second</DIV>", false);
    EXPECT_FALSE(view->inputMethodQuery(Qt::ImEnabled).toBool());
    PutCaret(*view, At(*view, "read me", 0));
    const std::string original = BodyOf(*view);

    QGuiApplication::clipboard()->setText("pasted");
    QTest::keyClicks(view.get(), "abc");
    QTest::keyClick(view.get(), Qt::Key_Return);
    QTest::keyClick(view.get(), Qt::Key_Delete);
    QTest::keyClick(view.get(), Qt::Key_Backspace);
    QTest::keyClick(view.get(), Qt::Key_V, Qt::ControlModifier);
    SendCommit(*view, QString::fromUtf8("中"));
    EXPECT_EQ(BodyOf(*view), original);
    EXPECT_TRUE(view->CaretViewportRect().isNull()) << "no caret in the read-only view";

    // Shift+End selects the line; Ctrl+C copies it; Ctrl+X does not cut
    // and Ctrl+B does not format it.
    QTest::keyClick(view.get(), Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(SelectedText(*view), "read me");
    QTest::keyClick(view.get(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "read me");
    QTest::keyClick(view.get(), Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(view.get(), Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(BodyOf(*view), original);

    // Switching editing on makes the same view editable.
    view->SetEditable(true);
    PutCaret(*view, At(*view, "second", 6));
    QTest::keyClicks(view.get(), "!");
    EXPECT_EQ(BodyOf(*view), "<DIV>read me</DIV><DIV>second!</DIV>");
}

TEST(HtmlViewEditing, ControlBIUFormatTheSelectionAndWhatIsTypedNext)
{
    auto view = ShowView("<DIV>abcdef</DIV>");
    PutCaret(*view, At(*view, "abcdef", 2));
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(view.get(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(view.get(), Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(BodyOf(*view), "<DIV>ab<B>cd</B>ef</DIV>");
    QTest::keyClick(view.get(), Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(BodyOf(*view), "<DIV>abcdef</DIV>");

    // At a caret the formats apply to the text typed next.
    PutCaret(*view, At(*view, "abcdef", 6));
    QTest::keyClick(view.get(), Qt::Key_I, Qt::ControlModifier);
    QTest::keyClick(view.get(), Qt::Key_U, Qt::ControlModifier);
    QTest::keyClicks(view.get(), "x");
    std::string body = BodyOf(*view);
    bool italicUnderlined = body.find("<I><U>x</U></I>") != std::string::npos ||
                            body.find("<U><I>x</I></U>") != std::string::npos;
    EXPECT_TRUE(italicUnderlined) << body;
}

// The key table's less common keys; the plain arrows, Enter, Tab, Delete and
// the common Ctrl keys are pressed through the view by the other tests.
TEST(ViewKeys, EachKeyMapsToItsActionAndOthersMeanNothing)
{
    const KeyCase cases[] = {
        {Qt::Key_Right, Qt::ShiftModifier, ViewAction::CharacterRight, true},
        {Qt::Key_Left, Qt::ControlModifier, ViewAction::WordLeft},
        {Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier, ViewAction::WordRight, true},
        {Qt::Key_Down, Qt::ShiftModifier, ViewAction::LineDown, true},
        {Qt::Key_End, Qt::ShiftModifier, ViewAction::LineEnd, true},
        {Qt::Key_Home, Qt::ControlModifier, ViewAction::DocumentStart},
        {Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier, ViewAction::DocumentEnd, true},
        {Qt::Key_PageUp, Qt::NoModifier, ViewAction::PageUp},
        {Qt::Key_PageDown, Qt::ShiftModifier, ViewAction::PageDown, true},
        // The keypad's arrows are arrows.
        {Qt::Key_Left, Qt::KeypadModifier, ViewAction::CharacterLeft},
        {Qt::Key_Enter, Qt::KeypadModifier, ViewAction::InsertParagraph},
        {Qt::Key_Return, Qt::ShiftModifier, ViewAction::InsertLineBreak},
        {Qt::Key_Backtab, Qt::ShiftModifier, ViewAction::TabBackward},
        {Qt::Key_Tab, Qt::ShiftModifier, ViewAction::TabBackward},
        {Qt::Key_C, Qt::ControlModifier, ViewAction::Copy},
        {Qt::Key_Insert, Qt::ControlModifier, ViewAction::Copy},
        {Qt::Key_X, Qt::ControlModifier, ViewAction::Cut},
        {Qt::Key_Delete, Qt::ShiftModifier, ViewAction::Cut},
        {Qt::Key_Insert, Qt::ShiftModifier, ViewAction::Paste},
        {Qt::Key_Y, Qt::ControlModifier, ViewAction::Redo},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, ViewAction::Redo},
        // The owner's shortcuts, window keys and letters (typed text is read
        // from the event's text, not from this table).
        {Qt::Key_S, Qt::ControlModifier, ViewAction::None},
        {Qt::Key_H, Qt::ControlModifier, ViewAction::None},
        {Qt::Key_N, Qt::ControlModifier, ViewAction::None},
        {Qt::Key_Left, Qt::AltModifier, ViewAction::None},
        {Qt::Key_C, Qt::ControlModifier | Qt::AltModifier, ViewAction::None},
        {Qt::Key_Up, Qt::ControlModifier, ViewAction::None},
        {Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier, ViewAction::None},
        {Qt::Key_A, Qt::NoModifier, ViewAction::None},
        {Qt::Key_F1, Qt::NoModifier, ViewAction::None},
    };
    for (const KeyCase& c : cases) {
        QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers);
        KeyAction action = ActionForKey(event);
        EXPECT_EQ(action.action, c.action) << c.key << " " << c.modifiers;
        EXPECT_EQ(action.extendSelection, c.extend) << c.key << " " << c.modifiers;
    }
}
