// Benchmark: the memory a document load takes. Five bodies: 3 MB of
// "<p><font color=red><b><i><u>" repeated (every paragraph reopens the
// formatting elements still open, as HTML prescribes, so the tree holds
// about 1.8 million elements), a 1 MiB ordinary mail (paragraphs of mixed
// Chinese and English, FONT, B and I, tables) and three hostile bodies
// (HostileBodies.h) that make the tree builder clone formatting elements
// over and over: 1 MiB of paragraphs after 2,000 formatting elements left
// open, no two alike; 32 KB of paragraphs each leaving one more open; 1 MiB
// of misnested tables. For each, the engine's load (from the mail's bytes
// to a finished document) and gumbo's parse and destruction of the same
// bytes run in child processes of their own; the figures are the rise of
// each child's high-water mark (in MB, in the time columns of the table)
// and each side's time. The last line is the worst ratio ours / gumbo among
// the memory figures.
#include "BenchFigure.h"
#include "ChildMeasure.h"
#include "HostileBodies.h"
#include "StoredMail.h"
#include "html/Document.h"
#include "platform/text/CodePage.h"

#include <gumbo.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

std::string OrdinaryMail()
{
    std::string body = "<HTML><HEAD><STYLE>BODY { font-size: 10.5pt }</STYLE></HEAD><BODY>";
    for (int n = 1; body.size() < 1024 * 1024; ++n) {
        body += "<DIV>各位同事，附件是本周的<B>项目进度</B>报告，请查收。The weekly report is "
                "attached; please review the <I>open items</I> before Thursday. "
                "<FONT color=#cc0000 size=2>注意：第" +
                std::to_string(n) +
                "项需要尽快处理。</FONT></DIV><P>这是一段较长的中文文字，用来测试换行。"
                "Mixed English text follows with several words so that lines wrap.</P>";
        if (n % 10 == 0) {
            body += "<TABLE border=1 cellpadding=3><TBODY>";
            for (int r = 0; r < 3; ++r) {
                body += "<TR>";
                for (int c = 0; c < 4; ++c)
                    body += "<TD><B>" + std::to_string(r * 4 + c) +
                            "</B>&nbsp;金额 <FONT color=#0000ff>42.00</FONT></TD>";
                body += "</TR>";
            }
            body += "</TBODY></TABLE>";
        }
    }
    return body + "</BODY></HTML>";
}

struct Comparison
{
    vellum::bench::ChildFigures ours;
    vellum::bench::ChildFigures gumbo;
};

// The best of a few runs each: a shared machine makes single runs noisy.
// The engine loads the body as the read dialog does, from the bytes of a
// stored mail (in the host code page); gumbo parses the same text in UTF-8.
Comparison Compare(const std::string& body)
{
    const std::string hostBytes = vellum::text::FromUtf8(body);
    Comparison best;
    for (int run = 0; run < 3; ++run) {
        auto ours = vellum::bench::MeasureInChild([&] {
            vellum::html::Document document;
            document.BeginLoadFromBytes(hostBytes);
            document.CompleteLoad();
        });
        auto gumbo = vellum::bench::MeasureInChild([&] {
            GumboOptions options = kGumboDefaultOptions;
            options.max_errors = 0;
            GumboOutput* output = gumbo_parse_with_options(&options, body.data(), body.size());
            gumbo_destroy_output(&options, output);
        });
        if (run == 0) {
            best = {ours, gumbo};
            continue;
        }
        best.ours.milliseconds = std::min(best.ours.milliseconds, ours.milliseconds);
        best.ours.peakMegabytes = std::min(best.ours.peakMegabytes, ours.peakMegabytes);
        best.gumbo.milliseconds = std::min(best.gumbo.milliseconds, gumbo.milliseconds);
        best.gumbo.peakMegabytes = std::min(best.gumbo.peakMegabytes, gumbo.peakMegabytes);
    }
    return best;
}

// `timeTarget`: the highest time ratio still good (the memory target is 1.2
// for every body).
double Report(const char* name, const std::string& body, double timeTarget)
{
    Comparison result = Compare(body);
    std::printf("%s: %zu bytes\n", name, body.size());
    std::printf("  engine load: %9.1f ms, peak %7.1f MB\n", result.ours.milliseconds,
                result.ours.peakMegabytes);
    std::printf("  gumbo alone: %9.1f ms, peak %7.1f MB\n", result.gumbo.milliseconds,
                result.gumbo.peakMegabytes);
    vellum::bench::PrintFigure((std::string("html.load-peak-mb-") + name).c_str(),
                               result.ours.peakMegabytes, result.gumbo.peakMegabytes, 1.2);
    vellum::bench::PrintFigure((std::string("html.load-time-") + name).c_str(),
                               result.ours.milliseconds, result.gumbo.milliseconds, timeTarget);
    if (!result.ours.ok || !result.gumbo.ok)
        return 1e9;
    return result.ours.peakMegabytes / result.gumbo.peakMegabytes;
}

} // namespace

int main()
{
    using namespace vellum::bench;
    double worst = Report("format-3m", FormattingHeavyBody(), 1.5);
    worst = std::max(worst, Report("mail-1m", OrdinaryMail(), 1.5));
    worst = std::max(worst, Report("open-1m", UnclosedFormattingBody(2000, 2000), 2.0));
    worst = std::max(worst, Report("growing-32k", GrowingFormattingBody(32 * 1024), 2.0));
    worst = std::max(worst, Report("tables-1m", MisnestedTablesBody(40), 2.0));
    std::printf("%.3f\n", worst);
    return 0;
}
