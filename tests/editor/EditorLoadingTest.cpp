// Loading and reading back a body: the empty document, the first load made
// once after the blank page, Chinese text through the host code page, the
// body check after loads and pastes, and the read-only viewer.
#include "EditorTestSupport.h"
#include "editor/HtmlViewerWnd.h"

#include <QSignalSpy>

using namespace vellum::editor::testing;
using namespace vellum;

namespace {

TEST_F(EditorTest, EmptyOrBlankInitialHtmlGivesTheDocumentOneEmptyDiv)
{
    MakeEditor("");
    std::string html;
    ASSERT_TRUE(editor->GetHTML(html));
    EXPECT_EQ(html, "<HTML><HEAD><META http-equiv=\"Content-Type\" content=\"text/html; "
                    "charset=gb2312\"></HEAD><BODY><DIV></DIV></BODY></HTML>");
    EXPECT_TRUE(editor->IsDocumentReady());
    EXPECT_TRUE(Doc().IsDesignMode());
    delete editor;
    MakeEditor("<HTML><BODY>  \r\n\t </BODY></HTML>"); // a blank body, too
    EXPECT_EQ(Body(), "<DIV></DIV>");
}

TEST_F(EditorTest, ViewerShowsTheTextAsItIsReadOnly)
{
    text::SetHostCodePage("GBK");
    CHtmlViewerWnd viewer;
    ASSERT_TRUE(viewer.Create(QRect(0, 0, 300, 200), window.get(), 6008));
    viewer.SetHTML(FromUtf8("<HTML><BODY><P>读信</P><SCRIPT>x()</SCRIPT></BODY></HTML>"));
    window->show();
    viewer.resize(350, 250);
    QApplication::processEvents();
    html::HtmlView* view = viewer.GetView();
    EXPECT_EQ(ui::ControlIdOf(view), 5001);
    EXPECT_EQ(view->geometry(), QRect(0, 0, 350, 250));
    EXPECT_FALSE(view->IsEditable());
    EXPECT_EQ(text::Utf16ToUtf8(view->GetDocument().Body()->TextContent()), "读信x()");
}

} // namespace
