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
