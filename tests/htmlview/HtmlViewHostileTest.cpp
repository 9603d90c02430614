// A mail body is written by another user. Whatever it holds (scripts, event
// handlers, javascript: links, frames, objects, a meta refresh, remote
// images, style imports) the view, editing or read-only, runs nothing and
// fetches nothing: every address in the body points at a listener on
// 127.0.0.1 that must never see a connection. Links only signal.
#include "ViewTestSupport.h"
#include "platform/net/LoopbackListener.h"

#include <QSignalSpy>

using namespace vellum::html;
using namespace vellum::html::testing;

TEST(HtmlViewHostile, ScriptsHandlersFramesAndRemoteAddressesRunAndFetchNothing)
{
    vellum::testing::LoopbackListener listener;
    // Every "$" stands for the listener's address.
    std::string body =
        "<SCRIPT>document.body.innerHTML='script ran'</SCRIPT>"
        "<DIV onmouseover=\"x()\" onclick=\"x()\" onfocus=\"x()\">plain text</DIV>"
        "<A href=\"javascript:document.body.innerHTML='link ran'\">the link</A>"
        "<IFRAME src=\"http://$frame\"></IFRAME><OBJECT data=\"http://$object\"></OBJECT>"
        "<EMBED src=\"http://$embed\"><META http-equiv=\"refresh\" "
        "content=\"0;url=http://$refresh\">"
        "<IMG src=\"http://$image.png\" onerror=\"x()\"><IMG src=\"//$relative.png\">"
        "<STYLE>@import url(http://$import.css); DIV { background: url(http://$bg.png) }</STYLE>"
        "<LINK rel=\"stylesheet\" href=\"http://$link.css\">"
        "<TABLE background=\"http://$table.png\"><TR><TD>cell</TD></TR></TABLE>"
        "<SPAN style=\"background-image: url(http://$span.png)\">span</SPAN>";
    const std::string site = "127.0.0.1:" + std::to_string(listener.Port()) + "/";
    for (std::size_t at = body.find('$'); at != std::string::npos; at = body.find('$', at))
        body.replace(at, 1, site);
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

TEST(HtmlViewHostile, LinksInTheReadOnlyViewOnlySignal)
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
