// A mail body is written by another user. Whatever it holds (scripts, event
// handlers, javascript: links, frames, objects, a meta refresh, remote
// images, style imports) the view, editing or read-only, runs nothing and
// fetches nothing: every address in the body points at a listener on
// 127.0.0.1 that must never see a connection.
#include "ViewTestSupport.h"
#include "platform/net/LoopbackListener.h"

#include <QSignalSpy>

using namespace vellum::html;
using namespace vellum::html::testing;

namespace {

TEST(HtmlViewHostile, ScriptsHandlersFramesAndRemoteAddressesRunAndFetchNothing)
{
    vellum::testing::LoopbackListener listener;
    const std::string site = "127.0.0.1:" + std::to_string(listener.Port());
    const std::string remote = "http://" + site + "/";
    const std::string body =
        "<SCRIPT>document.body.innerHTML='script ran'</SCRIPT>"
        "<DIV onmouseover=\"x()\" onclick=\"x()\" onfocus=\"x()\">plain text</DIV>"
        "<A href=\"javascript:document.body.innerHTML='link ran'\">the link</A>"
        "<IFRAME src=\"" +
        remote + "frame\"></IFRAME><OBJECT data=\"" + remote + "object\"></OBJECT><EMBED src=\"" +
        remote +
        "embed\">"
        "<META http-equiv=\"refresh\" content=\"0;url=" +
        remote +
        "refresh\">"
        "<IMG src=\"" +
        remote + "image.png\" onerror=\"x()\"><IMG src=\"//" + site +
        "/relative.png\">"
        "<STYLE>@import url(" +
        remote + "import.css); DIV { background: url(" + remote +
        "bg.png) }</STYLE><LINK rel=\"stylesheet\" href=\"" + remote +
        "link.css\">"
        "<TABLE background=\"" +
        remote +
        "table.png\"><TR><TD>cell</TD></TR></TABLE>"
        "<SPAN style=\"background-image: url(" +
        remote + "span.png)\">span</SPAN>";
    for (bool editable : {false, true}) {
        SCOPED_TRACE(editable ? "editing" : "read-only");
        auto view = ShowView(body, editable);
        QSignalSpy links(view.get(), &HtmlView::linkClicked);
        const std::string before = BodyOf(*view);
        view->grab();
        QTest::mouseMove(view->viewport(), PointAt(*view, At(*view, "plain text", 2)));
        ClickAt(*view, "the link", 3);
        view->grab();
        QApplication::processEvents();
        EXPECT_EQ(listener.Accept(300), -1) << "something was fetched";
        EXPECT_EQ(BodyOf(*view), before) << "something ran";
        // A link is only reported; what to do with it is the window's choice.
        EXPECT_EQ(links.count(), editable ? 0 : 1);
    }
}

} // namespace
