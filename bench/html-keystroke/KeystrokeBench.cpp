// Benchmark: one typed key in a 200 KiB body and in a 1 MiB body, from the
// key event to the repainted view, against a full relayout of the same
// document with the same repaint. The view is 800x600 and shown offscreen;
// the caret sits in a paragraph in the middle. Keys alternate between a
// letter and Backspace so the body stays the same size. Medians of many runs
// count. The last line is the 1 MiB ratio keystroke / full relayout
// (target: at most 0.01; 0.1 at 200 KiB).
#include "BenchFigure.h"
#include "html/Document.h"
#include "htmlview/DocumentLayout.h"
#include "htmlview/HtmlView.h"
#include "platform/text/CodePage.h"
#include "platform/ui/Application.h"

#include <QApplication>
#include <QKeyEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using vellum::html::HtmlView;

namespace {

std::string Body(std::size_t bytes)
{
    std::string body = "<HTML><HEAD></HEAD><BODY>";
    for (int n = 0; body.size() < bytes; ++n)
        body += "<DIV>第" + std::to_string(n) +
                "段：各位同事，本周的项目进度如下，请在周五之前查阅并回复。"
                "The weekly status report for paragraph " +
                std::to_string(n) +
                " is below; please <B>read it</B> before Friday and reply with questions.</DIV>";
    return body + "</BODY></HTML>";
}

void Press(HtmlView& view, int key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&view, &press);
    QCoreApplication::sendEvent(&view, &release);
}

template <typename F> double Milliseconds(F&& run)
{
    auto start = std::chrono::steady_clock::now();
    run();
    std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    return took.count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Prints the figure `name` for a body of `bytes`; returns its ratio.
double MeasureKeystroke(std::size_t bytes, const char* name, double target)
{
    HtmlView view;
    view.resize(800, 600);
    view.GetDocument().LoadHtml(vellum::text::Utf8ToUtf16(Body(bytes)));
    view.SetEditable(true);
    view.show();
    view.setFocus();
    QApplication::processEvents();

    vellum::html::Element* body = view.GetDocument().Body();
    vellum::html::Node* middle = body->ChildAt(body->ChildCount() / 2)->FirstChild();
    view.GetDocument().SetCaret(middle, 10);
    view.EnsureCaretVisible();
    QApplication::processEvents();

    std::vector<double> keystrokes;
    std::size_t blocksPerKey = 0;
    for (int i = 0; i < 400; ++i) {
        bool letter = i % 2 == 0;
        keystrokes.push_back(Milliseconds([&] {
            if (letter)
                Press(view, Qt::Key_A, "a");
            else
                Press(view, Qt::Key_Backspace, QString());
            // The view lays out in its edit notification; later queries
            // find nothing left to do and report 0.
            blocksPerKey = std::max(blocksPerKey, view.Layout().BlocksLaidOutByLastUpdate());
            QCoreApplication::processEvents();
            view.viewport()->repaint();
        }));
    }

    std::vector<double> relayouts;
    for (int i = 0; i < 15; ++i) {
        relayouts.push_back(Milliseconds([&] {
            view.Layout().Invalidate();
            view.Layout().Update();
            QCoreApplication::processEvents();
            view.viewport()->repaint();
        }));
    }

    double keystroke = Median(keystrokes);
    double relayout = Median(relayouts);
    std::printf("%s: %zu blocks, document height %d px\n", name, body->ChildCount(),
                view.Layout().Height());
    std::printf("blocks laid out per keystroke (most): %zu\n", blocksPerKey);
    std::printf("keystroke to repaint (median of %zu): %.3f ms\n", keystrokes.size(), keystroke);
    std::printf("full relayout + repaint (median of %zu): %.3f ms\n", relayouts.size(), relayout);
    vellum::bench::PrintFigure(name, keystroke, relayout, target);
    return keystroke / relayout;
}

} // namespace

int main()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    vellum::ui::EnsureApplication();
    QApplication::setCursorFlashTime(0);
    MeasureKeystroke(200 * 1024, "html.keystroke-200k", 0.1);
    std::printf("%.3f\n", MeasureKeystroke(1024 * 1024, "html.keystroke-1m", 0.01));
    return 0;
}
