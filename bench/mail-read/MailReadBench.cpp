// Benchmark: the read dialog on a stored mail whose body is 3 MB of
// "<p><font color=red><b><i><u>" repeated (about 1.8 million elements once
// parsed, as browsers build it too). Offscreen, from DoModal until the body
// has painted once; then twenty frames scrolled a page down each, painted
// at once, the slowest counting; and the process's high-water mark (VmHWM)
// at the end, which covers everything this process did. The references are
// the budgets a reader can live with: 2 s to open, 50 ms a frame, 600 MB.
// The last line is the worst of the three ratios.
#include "BenchFigure.h"
#include "ChildMeasure.h"
#include "DialogBench.h"
#include "PaintWatch.h"
#include "ScratchFolder.h"
#include "StoredMail.h"
#include "htmlview/HtmlView.h"
#include "platform/ui/Application.h"
#include "platform/ui/ScriptedDesktop.h"
#include "store/DbSession.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
using vellum::bench::MillisecondsSince;

constexpr double kOpenBudgetMs = 2000;
constexpr double kFrameBudgetMs = 50;
constexpr double kPeakBudgetMb = 600;
constexpr int kFrames = 20;

// The slowest of a run of frames, each scrolled a page down and painted.
double SlowestScrollFrame(vellum::html::HtmlView& view)
{
    double slowest = 0;
    QScrollBar* bar = view.verticalScrollBar();
    for (int frame = 0; frame < kFrames; ++frame) {
        auto start = Clock::now();
        bar->setValue(bar->value() + bar->pageStep());
        view.viewport()->repaint();
        slowest = std::max(slowest, MillisecondsSince(start));
    }
    return slowest;
}

} // namespace

int main()
{
    CDbSession session;
    const vellum::bench::BenchDraft draft = vellum::bench::StartDialogBench(
        session, "formatting", vellum::bench::FormattingHeavyBody());
    if (draft.key < 1)
        return 1;
    const int key = draft.key;

    vellum::ui::ScriptedDesktop desktop;
    vellum::ui::ScopedDesktop installed(desktop);
    double openMs = -1, frameMs = -1;
    auto start = Clock::now();
    desktop.ActInModal([&](QWidget& window) {
        auto* view = window.findChild<vellum::html::HtmlView*>();
        if (!view)
            return;
        WaitForPaint(*view->viewport());
        openMs = MillisecondsSince(start);
        frameMs = SlowestScrollFrame(*view);
    });
    {
        vellum::bench::ReadStoredDraft(session, key);
    }
    const double peakMb = vellum::bench::StatusMegabytes("VmHWM:");
    session.Close();
    std::filesystem::remove_all(draft.folder);
    if (openMs < 0)
        return 1;

    std::printf("read dialog on a 3 MB formatting-heavy mail, offscreen\n");
    std::printf("open until the body painted: %.0f ms\n", openMs);
    std::printf("slowest of %d page-down frames: %.1f ms\n", kFrames, frameMs);
    std::printf("process peak (VmHWM): %.0f MB\n", peakMb);
    vellum::bench::PrintFigure("mail.read-open-3m", openMs, kOpenBudgetMs, 1);
    vellum::bench::PrintFigure("mail.read-scroll-frame", frameMs, kFrameBudgetMs, 1);
    vellum::bench::PrintFigure("mail.read-peak-mb-3m", peakMb, kPeakBudgetMb, 1);
    std::printf("%.3f\n", std::max({openMs / kOpenBudgetMs, frameMs / kFrameBudgetMs,
                                    peakMb / kPeakBudgetMb}));
    return 0;
}
