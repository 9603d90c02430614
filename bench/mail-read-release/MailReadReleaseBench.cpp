// Benchmark: does a big mail give its memory back? The read dialog opens on
// a stored mail whose body is 3 MB of "<p><font color=red><b><i><u>" (about
// 1.8 million elements once parsed), paints it, and closes, ten times. The
// figure is the resident size (VmRSS) after the tenth close less the size
// before the first open, the way a person at the desk sees the host grow;
// the reference is the 30 MB a desk may keep after its dialogs closed. The
// last line is the growth over those 30 MB.
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

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr double kKeptBudgetMb = 30;
constexpr int kRounds = 10;

// One open, paint and close, then what the event loop of a host does next
// (the widgets the dialog handed to deleteLater go).
bool ReadOnce(CDbSession& session, int key, vellum::ui::ScriptedDesktop& desktop)
{
    bool painted = false;
    desktop.ActInModal([&](QWidget& window) {
        auto* view = window.findChild<vellum::html::HtmlView*>();
        if (!view)
            return;
        WaitForPaint(*view->viewport());
        painted = true;
    });
    {
        vellum::bench::ReadStoredDraft(session, key);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    return painted;
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
    const double before = vellum::bench::StatusMegabytes("VmRSS:");
    double afterFirst = -1;
    for (int round = 0; round < kRounds; ++round) {
        if (!ReadOnce(session, key, desktop))
            return 1;
        if (round == 0)
            afterFirst = vellum::bench::StatusMegabytes("VmRSS:");
    }
    const double after = vellum::bench::StatusMegabytes("VmRSS:");
    const double peak = vellum::bench::StatusMegabytes("VmHWM:");
    session.Close();
    std::filesystem::remove_all(draft.folder);

    const double growth = after - before;
    std::printf("read dialog on a 3 MB formatting-heavy mail, opened and closed %d times\n",
                kRounds);
    std::printf("resident before the first open: %.0f MB\n", before);
    std::printf("after the first close: %.0f MB; after the last: %.0f MB; peak %.0f MB\n",
                afterFirst, after, peak);
    vellum::bench::PrintFigure("mail.read-kept-mb-3m", growth, kKeptBudgetMb, 1);
    std::printf("%.3f\n", std::max(0.0, growth) / kKeptBudgetMb);
    return 0;
}
