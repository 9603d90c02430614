// The compose dialog opened on a stored draft whose body is 1 MiB of HTML,
// from DoModal until the body editor's view has painted once, against the
// editor alone given the same body in a window of the same size, until its
// view has painted once. Offscreen; the sides alternate for several rounds
// and the best round of each counts. The last line is the ratio
// compose dialog / editor alone.
#include "BenchFigure.h"
#include "DialogBench.h"
#include "PaintWatch.h"
#include "ScratchFolder.h"
#include "StoredMail.h"
#include "editor/HtmlEditor.h"
#include "htmlview/HtmlView.h"
#include "mail/MailEditDlg.h"
#include "platform/ui/Application.h"
#include "platform/ui/ScriptedDesktop.h"
#include "store/DbSession.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kRounds = 7;
constexpr size_t kBodyBytes = 1 << 20;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A mail body of paragraphs, some bold, up to about 1 MiB.
std::string LargeBody()
{
    std::string body = "<HTML><HEAD></HEAD><BODY>";
    for (int i = 0; body.size() < kBodyBytes; ++i)
        body += "<P>Paragraph " + std::to_string(i) +
                " of the quarterly report, with <B>some bold words</B> and plain text after "
                "them.</P>";
    return body + "</BODY></HTML>";
}

// Runs the event loop until the body is loaded and the editor's view has
// painted it.
void WaitForFirstPaint(CHtmlEditor& editor)
{
    while (!editor.IsDocumentReady())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    PaintWatch watch;
    QWidget* viewport = editor.GetView()->viewport();
    viewport->installEventFilter(&watch);
    viewport->update();
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    viewport->removeEventFilter(&watch);
}

double OpenComposeDialog(CDbSession& session, int key, vellum::ui::ScriptedDesktop& desktop)
{
    auto start = Clock::now();
    double seconds = 0;
    desktop.ActInModal([&](QWidget& window) {
        WaitForFirstPaint(*static_cast<CMailEditDlg&>(window).GetEditor());
        seconds = Seconds(start);
    });
    CMailEditDlg dialog;
    dialog.m_nKeyId = key;
    dialog.m_pSession = &session;
    dialog.m_strUserName = "li";
    dialog.DoModal();
    return seconds;
}

double OpenEditorAlone(const std::string& body)
{
    auto start = Clock::now();
    QWidget window;
    window.resize(CMailEditDlg::kWidth, CMailEditDlg::kHeight);
    auto* editor = new CHtmlEditor(&window);
    editor->Create(QRect(0, 0, CMailEditDlg::kWidth, CMailEditDlg::kHeight), &window, 6013);
    editor->SetInitialHTML(body);
    window.show();
    WaitForFirstPaint(*editor);
    return Seconds(start);
}

} // namespace

int main()
{
    CDbSession session;
    const std::string body = LargeBody();
    const vellum::bench::BenchDraft draft =
        vellum::bench::StartDialogBench(session, "Quarterly report", body);
    if (draft.key < 1)
        return 1;
    const int key = draft.key;

    vellum::ui::ScriptedDesktop desktop;
    vellum::ui::ScopedDesktop installed(desktop);
    double ours = 1e9, reference = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        ours = std::min(ours, OpenComposeDialog(session, key, desktop));
        reference = std::min(reference, OpenEditorAlone(body));
    }
    session.Close();
    std::filesystem::remove_all(draft.folder);

    std::printf("first paint of a %zu KiB body, offscreen, best of %d\n", body.size() / 1024,
                kRounds);
    std::printf("compose dialog on the stored draft: %.3f s\n", ours);
    std::printf("editor alone:                       %.3f s\n", reference);
    vellum::bench::PrintFigure("compose.open-1mib", ours * 1e3, reference * 1e3, 1.2);
    std::printf("%.3f\n", ours / reference);
    return 0;
}
