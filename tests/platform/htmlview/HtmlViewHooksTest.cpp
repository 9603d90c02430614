// What the view offers its owner: the key filter that sees keys first, the
// swallowed context menu, focus loss, pastes, the periodic caret signal,
// finished loads, links that only signal, and the clipboard carrying HTML
// and text.
#include "ViewTestSupport.h"
#include "platform/html/CommandTarget.h"
#include "platform/html/Editing.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>

#include <vector>

using namespace vellum::html;
using namespace vellum::html::testing;

TEST(HtmlViewHooks, KeyFilterSeesKeysFirstAndCanSwallowThem)
{
    auto view = ShowView("<DIV>ab</DIV>");
    PutCaret(*view, At(*view, "ab", 2));
    std::vector<int> seen;
    view->SetKeyFilter([&](QKeyEvent& key) {
        // Modifier keys arrive as presses of their own; they are seen too
        // but are not what this test is about.
        if (key.key() != Qt::Key_Control)
            seen.push_back(key.key());
        bool control = key.modifiers() == Qt::ControlModifier;
        // The editor's own shortcuts; Ctrl+V would paste, swallowing it
        // proves the view never acted on it.
        return control &&
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

TEST(HtmlViewHooks, ContextMenuIsSwallowedAndReported)
{
    auto view = ShowView("<DIV>ab</DIV>");
    QSignalSpy spy(view.get(), &HtmlView::contextMenuRequested);
    QPoint local(10, 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, local, view->viewport()->mapToGlobal(local));
    QCoreApplication::sendEvent(view->viewport(), &event);
    QApplication::processEvents();
    EXPECT_TRUE(event.isAccepted());
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toPoint(), view->viewport()->mapToGlobal(local));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST(HtmlViewHooks, LosingTheFocusIsReportedOnce)
{
    vellum::ui::EnsureApplication();
    QWidget window;
    auto* view = new HtmlView(&window);
    auto* other = new QLineEdit(&window);
    view->setGeometry(0, 0, 300, 200);
    other->setGeometry(0, 210, 300, 20);
    window.show();
    QApplication::setActiveWindow(&window);
    view->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(view->hasFocus());

    QSignalSpy spy(view, &HtmlView::focusLeft);
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(spy.count(), 1);
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(spy.count(), 1);
}

TEST(HtmlViewHooks, CaretSignalFollowsMovementWhileFocused)
{
    auto view = ShowView("<DIV>abcdef</DIV>");
    PutCaret(*view, At(*view, "abcdef", 0));
    QSignalSpy spy(view.get(), &HtmlView::caretMoved);
    // The focus-in and the caret put there are reported once...
    QTest::qWait(HtmlView::kCaretSignalMilliseconds * 2 + 50);
    EXPECT_EQ(spy.count(), 1);
    // ...and then nothing while nothing moves.
    spy.clear();
    QTest::qWait(HtmlView::kCaretSignalMilliseconds * 3);
    EXPECT_EQ(spy.count(), 0);

    QTest::keyClick(view.get(), Qt::Key_Right);
    EXPECT_TRUE(spy.wait(HtmlView::kCaretSignalMilliseconds * 3));
    spy.clear();
    QTest::keyClick(view.get(), Qt::Key_X);
    EXPECT_TRUE(spy.wait(HtmlView::kCaretSignalMilliseconds * 3));

    // Without the focus there is no signal, whatever moves.
    view->clearFocus();
    QApplication::processEvents();
    spy.clear();
    PutCaret(*view, At(*view, "abcdef", 4));
    QTest::qWait(HtmlView::kCaretSignalMilliseconds * 3);
    EXPECT_EQ(spy.count(), 0);
}

TEST(HtmlViewHooks, CopyAndPasteThroughTheSystemClipboard)
{
    auto view = ShowView("<DIV>plain <B>bold</B> end</DIV>");
    QSignalSpy pasted(view.get(), &HtmlView::pasted);
    CharacterData* bold = TextHolding(*view, "bold");
    view->GetDocument().SetTextRange(bold, 0, bold, 4);
    QTest::keyClick(view.get(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasHtml());
    EXPECT_NE(data->html().indexOf("<B>bold</B>"), -1) << data->html().toStdString();
    EXPECT_EQ(data->text(), "bold");
    EXPECT_EQ(pasted.count(), 0);

    // Paste at the end: the bold formatting comes along.
    PutCaret(*view, At(*view, " end", 4));
    QTest::keyClick(view.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(BodyOf(*view), "<DIV>plain <B>bold</B> end<B>bold</B></DIV>");
    EXPECT_EQ(pasted.count(), 1);

    // HTML from another program is preferred over its text.
    auto* foreign = new QMimeData;
    foreign->setHtml("<I>slanted</I>");
    foreign->setText("slanted");
    QGuiApplication::clipboard()->setMimeData(foreign);
    QTest::keyClick(view.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_NE(BodyOf(*view).find("<I>slanted</I>"), std::string::npos) << BodyOf(*view);
    EXPECT_EQ(pasted.count(), 2);

    // Cut removes and carries the text.
    CharacterData* plain = TextHolding(*view, "plain");
    view->GetDocument().SetTextRange(plain, 0, plain, 5);
    QTest::keyClick(view.get(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "plain");
    EXPECT_EQ(BodyOf(*view).find("plain"), std::string::npos);

    // An empty clipboard pastes nothing and reports no paste.
    QGuiApplication::clipboard()->clear();
    const std::string before = BodyOf(*view);
    QTest::keyClick(view.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(BodyOf(*view), before);
    EXPECT_EQ(pasted.count(), 2);

    // A paste through the view's commands is reported too; Select All is no
    // paste, and the read-only view refuses the command.
    PutCaret(*view, At(*view, " end", 0));
    QGuiApplication::clipboard()->setText("Q");
    EXPECT_TRUE(view->Exec(command::Paste));
    EXPECT_EQ(pasted.count(), 3);
    EXPECT_NE(BodyOf(*view).find("Q end"), std::string::npos) << BodyOf(*view);
    EXPECT_TRUE(view->Exec(command::SelectAll));
    view->SetEditable(false);
    EXPECT_FALSE(view->Exec(command::Paste));
    EXPECT_EQ(pasted.count(), 3);
}

TEST(HtmlViewHooks, LoadsFinishFromTheEventLoop)
{
    vellum::ui::EnsureApplication();
    HtmlView view;
    view.resize(300, 200);
    view.show();
    // The blank page the view starts with completes by itself.
    EXPECT_TRUE(view.GetDocument().IsBusy());
    for (int i = 0; i < 20 && view.GetDocument().IsBusy(); ++i)
        QTest::qWait(50);
    EXPECT_FALSE(view.GetDocument().IsBusy());
    EXPECT_NE(view.GetDocument().Body(), nullptr);
    QSignalSpy spy(&view, &HtmlView::loadCompleted);

    view.Load(u"<HTML><BODY><DIV>loaded</DIV></BODY></HTML>");
    EXPECT_TRUE(view.GetDocument().IsBusy());
    EXPECT_TRUE(spy.wait(1000));
    EXPECT_FALSE(view.GetDocument().IsBusy());
    EXPECT_EQ(BodyOf(view), "<DIV>loaded</DIV>");

    // A load begun on the document itself (the editor's stream load) is
    // finished the same way.
    view.GetDocument().BeginLoadFromBytes("<HTML><BODY><P>again</P></BODY></HTML>");
    EXPECT_TRUE(spy.wait(1000));
    EXPECT_EQ(BodyOf(view), "<P>again</P>");
    EXPECT_GT(view.Layout().Height(), 0);
}

TEST(HtmlViewHooks, ViewOverADocumentItDoesNotOwn)
{
    vellum::ui::EnsureApplication();
    Document document;
    document.LoadHtml(u"<HTML><BODY><DIV>shared</DIV></BODY></HTML>");
    {
        HtmlView view(document);
        view.SetEditable(true);
        view.resize(300, 200);
        view.show();
        view.setFocus();
        QApplication::processEvents();
        PutCaret(view, At(view, "shared", 6));
        QTest::keyClicks(&view, "!");
    }
    // The document outlives the view and no longer reports to it.
    EXPECT_EQ(vellum::text::Utf16ToUtf8(SerializeChildren(*document.Body())), "<DIV>shared!</DIV>");
    EXPECT_TRUE(InsertText(document, u"?"));
    EXPECT_EQ(vellum::text::Utf16ToUtf8(SerializeChildren(*document.Body())),
              "<DIV>shared!?</DIV>");
}

TEST(HtmlViewHooks, LinksInTheReadOnlyViewOnlySignal)
{
    auto view =
        ShowView("<DIV>see <A href=\"http://example.invalid/x\">the link</A> here</DIV>", false);
    QSignalSpy spy(view.get(), &HtmlView::linkClicked);
    const std::string before = BodyOf(*view);
    ClickAt(*view, "the link", 3);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toString(), "http://example.invalid/x");
    EXPECT_EQ(BodyOf(*view), before);
    // A click on plain text is no link.
    ClickAt(*view, "here", 2);
    EXPECT_EQ(spy.count(), 1);

    // While editing, a click on a link just places the caret.
    view->SetEditable(true);
    ClickAt(*view, "the link", 3);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(view->GetDocument().GetSelection().GetRange().start, At(*view, "the link", 3));
}
