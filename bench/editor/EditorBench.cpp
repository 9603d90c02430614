// Benchmark: the body editor against the bare view it is built on.
//
// 1. Open: a CHtmlEditor created with a 1 MiB mail body (a reply thread in
//    Chinese and English with quotes, FONT, B, I, tables, lists) until it is
//    ready and its first viewport painted, against an HtmlView of the same
//    size loading the same body and painting its first viewport. What the
//    editor adds is its toolbar, the font list and the ASCII-safe
//    conversion; the target is at most 1.15.
// 2. Round trip: design -> source -> design of a 200 KiB body against one
//    HtmlView load of it; the target is at most 3.
//
// Best of several alternating runs each, so a busy moment on the shared
// machine weighs on both sides alike. The last line is the open ratio.
#include "BenchFigure.h"
#include "editor/HtmlEditor.h"
#include "html/Document.h"
#include "htmlview/HtmlView.h"
#include "platform/text/CodePage.h"
#include "platform/ui/Application.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/WindowText.h"
#include "ui/LayoutCtrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kWidth = 800;
constexpr int kViewHeight = 600;
constexpr int kRuns = 5;

// A long reply thread: each round a short answer, a quoted block with a
// small table of figures, and a list of actions.
std::string MailBody(std::size_t size)
{
    std::string body = "<HTML><HEAD><STYLE>BODY { font-size: 10.5pt }</STYLE></HEAD><BODY>";
    for (int round = 1; body.size() < size; ++round) {
        const std::string n = std::to_string(round);
        body += "<P>王工，第" + n +
                "轮意见已收到，<B>修改稿</B>见下。Thanks for the quick "
                "turnaround; see my notes inline.</P><BLOCKQUOTE><P><I>原文：</I>请确认"
                "<FONT color=#0000cc size=2>报价单 " +
                n +
                "</FONT>中的数量与单价是否一致，"
                "然后回复。Please confirm the quantities before Friday.</P>";
        if (round % 8 == 0) {
            body += "<TABLE border=1 cellpadding=2><TBODY>";
            for (const char* item : {"螺栓", "垫片", "bracket"})
                body += std::string("<TR><TD>") + item + "</TD><TD>" + n +
                        "00</TD><TD><B>12.50</B></TD></TR>";
            body += "</TBODY></TABLE>";
        }
        body += "</BLOCKQUOTE>";
        if (round % 5 == 0)
            body += "<OL><LI>核对数量 check quantities</LI><LI>update the price list "
                    "更新价格</LI></OL>";
    }
    return body + "</BODY></HTML>";
}

template <typename Work> double Milliseconds(Work work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void PaintFirstViewport(vellum::html::HtmlView& view)
{
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    view.viewport()->render(&painter);
}

// A shown window of the editor's size holding either side.
struct Frame
{
    Frame()
    {
        window.resize(kWidth, kViewHeight + CHtmlEditor::kToolbarHeight);
        window.show();
        QApplication::processEvents();
    }
    QWidget window;
};

double OpenEditor(const std::string& hostBody)
{
    Frame frame;
    return Milliseconds([&] {
        auto* editor = new CHtmlEditor;
        editor->Create(QRect(0, 0, kWidth, kViewHeight + CHtmlEditor::kToolbarHeight),
                       &frame.window, 6013);
        editor->SetInitialHTML(hostBody);
        editor->FinishLoading();
        PaintFirstViewport(*editor->GetView());
        if (!editor->IsDocumentReady())
            std::abort();
    });
}

double OpenView(const std::string& hostBody)
{
    Frame frame;
    return Milliseconds([&] {
        auto* view = new vellum::html::HtmlView(&frame.window);
        view->setGeometry(0, CHtmlEditor::kToolbarHeight, kWidth, kViewHeight);
        view->show();
        view->GetDocument().LoadHtml(vellum::text::ToUtf16(hostBody));
        PaintFirstViewport(*view);
    });
}

double RoundTrip(const std::string& hostBody)
{
    Frame frame;
    auto* editor = new CHtmlEditor;
    editor->Create(QRect(0, 0, kWidth, kViewHeight + CHtmlEditor::kToolbarHeight), &frame.window,
                   6013);
    editor->SetInitialHTML(hostBody);
    editor->FinishLoading();
    QWidget* toggle = vellum::ui::FindControl(editor->GetToolbar(), CHtmlEditor::kSourceToggle);
    return Milliseconds([&] {
        for (int check : {1, 0}) {
            vellum::ui::SetCheck(toggle, check);
            editor->OnCommand(CHtmlEditor::kSourceToggle);
        }
        editor->FinishLoading();
        PaintFirstViewport(*editor->GetView());
    });
}

} // namespace

int main()
{
    vellum::ui::EnsureApplication();
    if (!std::getenv("VELLUM_HOME"))
        setenv("VELLUM_HOME", VELLUM_BINARY_DIR "/", 1);
    const std::string large = vellum::text::FromUtf8(MailBody(1024 * 1024));
    const std::string medium = vellum::text::FromUtf8(MailBody(200 * 1024));

    double editor = 1e300, view = 1e300, trip = 1e300, load = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        editor = std::min(editor, OpenEditor(large));
        view = std::min(view, OpenView(large));
        trip = std::min(trip, RoundTrip(medium));
        load = std::min(load, OpenView(medium));
    }
    std::printf("open 1 MiB body: editor ready and painted %.1f ms, HtmlView alone %.1f ms\n",
                editor, view);
    std::printf(
        "round trip design->source->design of 200 KiB: %.1f ms, one HtmlView load %.1f ms\n", trip,
        load);
    vellum::bench::PrintFigure("editor.source-round-trip-200k", trip, load, 3);
    vellum::bench::PrintFigure("editor.open-1mib", editor, view, 1.15);
    std::printf("%.2f\n", editor / view);
    return 0;
}
