// Benchmark: the read dialog on a stored mail carrying 20 JPEG pictures of
// about 1 MB each as data URLs (the largest a picture goes in without being
// re-encoded), one to a paragraph. Offscreen, from DoModal until the body has
// painted once; then every picture is scrolled through and painted, and the
// rise of the process's resident memory (high-water mark over what it held
// before the dialog opened) is set against the pictures' decoded pixels.
// The budgets: 300 ms to the first paint, and at most 3 times the decoded
// pixels held. The last line is the worse of the two ratios.
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

#include <QBuffer>
#include <QImage>
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

constexpr int kPictures = 20;
constexpr int kWidth = 2000;
constexpr int kHeight = 1300;
constexpr double kOpenBudgetMs = 300;
constexpr double kHeldPixelsFactor = 3;

// A photograph-like picture: smooth colour with grain, so that JPEG at
// quality 85 keeps it near 1 MB. Each picture differs, so none is shared.
QByteArray Photograph(int seed)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    unsigned state = 2654435761u * (seed + 1);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            int grain = static_cast<int>(state >> 26) - 32;
            line[x] = qRgb(std::clamp(x / 8 + grain, 0, 255), std::clamp(y / 5 + grain, 0, 255),
                           std::clamp((x + y) / 12 + seed * 9 + grain, 0, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "jpeg", 85);
    return bytes;
}

struct PictureMail
{
    std::string body;
    double pictureMb = 0; // encoded, on average
    double decodedMb = 0; // all pictures' pixels, 4 bytes each
};

PictureMail MakeMail()
{
    PictureMail mail;
    mail.body = "<HTML><HEAD></HEAD><BODY>";
    for (int i = 0; i < kPictures; ++i) {
        QByteArray jpeg = Photograph(i);
        mail.pictureMb += jpeg.size() / 1048576.0 / kPictures;
        mail.decodedMb += double(kWidth) * kHeight * 4 / 1048576.0;
        mail.body += "<P>picture " + std::to_string(i + 1) +
                     "<BR><IMG src=\"data:image/jpeg;base64," + jpeg.toBase64().toStdString() +
                     "\"></P>";
    }
    mail.body += "</BODY></HTML>";
    return mail;
}

void ScrollThroughEverything(vellum::html::HtmlView& view)
{
    QScrollBar* bar = view.verticalScrollBar();
    while (true) {
        view.viewport()->repaint();
        if (bar->value() >= bar->maximum())
            break;
        bar->setValue(bar->value() + bar->pageStep());
    }
}

} // namespace

int main()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    vellum::ui::EnsureApplication();
    const std::string folder = vellum::bench::MakeScratchFolder();
    if (folder.empty())
        return 1;
    CDbSession session;
    int key = -1;
    PictureMail mail;
    {
        mail = MakeMail();
        key = vellum::bench::StoreDraft(session, folder, "pictures", mail.body);
        mail.body.clear();
        mail.body.shrink_to_fit();
    }
    if (key < 1)
        return 1;

    vellum::ui::ScriptedDesktop desktop;
    vellum::ui::ScopedDesktop installed(desktop);
    vellum::bench::ResetPeak();
    const double before = vellum::bench::StatusMegabytes("VmRSS:");
    double openMs = -1;
    auto start = Clock::now();
    desktop.ActInModal([&](QWidget& window) {
        auto* view = window.findChild<vellum::html::HtmlView*>();
        if (!view)
            return;
        WaitForPaint(*view->viewport());
        openMs = MillisecondsSince(start);
        ScrollThroughEverything(*view);
    });
    {
        vellum::bench::ReadStoredDraft(session, key);
    }
    const double heldMb = vellum::bench::StatusMegabytes("VmHWM:") - before;
    session.Close();
    std::filesystem::remove_all(folder);
    if (openMs < 0)
        return 1;

    const double heldBudgetMb = kHeldPixelsFactor * mail.decodedMb;
    std::printf("read dialog on a mail with %d JPEG pictures of %.2f MB (%d x %d), offscreen\n",
                kPictures, mail.pictureMb, kWidth, kHeight);
    std::printf("open until the body painted: %.0f ms\n", openMs);
    std::printf("memory held while every picture was shown: %.0f MB (decoded pixels %.0f MB)\n",
                heldMb, mail.decodedMb);
    vellum::bench::PrintFigure("mail.read-open-pictures", openMs, kOpenBudgetMs, 1);
    vellum::bench::PrintFigure("mail.read-pictures-held-mb", heldMb, heldBudgetMb, 1);
    std::printf("%.3f\n", std::max(openMs / kOpenBudgetMs, heldMb / heldBudgetMb));
    return 0;
}
