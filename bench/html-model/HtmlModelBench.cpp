// Benchmark: the HTML engine loading a 1 MiB mail body (tables, FONT
// elements, Chinese text) and serializing it back, against gumbo parsing
// the same bytes alone. Each side runs several times; the best time counts.
// The last line is the ratio ours / gumbo (target: at most 1.2).
#include "BenchFigure.h"
#include "html/Document.h"
#include "html/Serializer.h"
#include "platform/text/CodePage.h"

#include <gumbo.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

std::string MailBody()
{
    std::string body = "<HTML><HEAD><STYLE>BODY { font-size: 12pt }</STYLE></HEAD><BODY>";
    int row = 0;
    while (body.size() < 1024 * 1024) {
        body += "<DIV><FONT face=\"\xE5\xAE\x8B\xE4\xBD\x93\" size=\"3\">\xE5\x90\x84\xE4\xBD\x8D"
                "\xE5\x90\x8C\xE4\xBA\x8B\xEF\xBC\x8C\xE9\x99\x84\xE4\xBB\xB6\xE8\xAF\xB7\xE6\x9F"
                "\xA5\xE6\x94\xB6 &amp; reply</FONT></DIV>";
        body += "<TABLE border=\"1\" cellpadding=\"3\"><TBODY>";
        for (int r = 0; r < 3; ++r) {
            body += "<TR>";
            for (int c = 0; c < 4; ++c)
                body += "<TD><DIV><B>" + std::to_string(row++) +
                        "</B>&nbsp;\xE9\x87\x91\xE9\xA2\x9D <FONT color=\"#ff0000\">42.00</FONT>"
                        "</DIV></TD>";
            body += "</TR>";
        }
        body += "</TBODY></TABLE><P style=\"FONT-SIZE: 12px\">\xE6\xAD\xA4\xE8\x87\xB4 <I>ok</I>"
                "<BR></P>";
    }
    return body + "</BODY></HTML>";
}

template <typename F> double BestSeconds(int runs, F&& run)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        run();
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

} // namespace

int main()
{
    const std::string body = MailBody();
    const int runs = 7;
    std::size_t outputSize = 0;
    double ours = BestSeconds(runs, [&] {
        vellum::html::Document document;
        document.LoadHtml(vellum::text::Utf8ToUtf16(body));
        outputSize = document.DocumentElement()->OuterHtml().size();
    });
    // The engine asks gumbo not to collect parse errors; so does the reference.
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    double gumbo = BestSeconds(runs, [&] {
        GumboOutput* output = gumbo_parse_with_options(&options, body.data(), body.size());
        gumbo_destroy_output(&options, output);
    });
    std::printf("body: %zu bytes, serialized: %zu UTF-16 units\n", body.size(), outputSize);
    std::printf("engine parse + serialize: %.2f ms\n", ours * 1000);
    std::printf("gumbo parse alone:        %.2f ms\n", gumbo * 1000);
    vellum::bench::PrintFigure("html.parse-serialize-1m", ours * 1000, gumbo * 1000, 1.2);
    std::printf("%.3f\n", ours / gumbo);
    return 0;
}
