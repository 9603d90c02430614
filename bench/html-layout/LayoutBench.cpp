// Benchmark: a 1 MiB mail body (paragraphs of mixed Chinese and English
// with FONT, B and I, tables and lists) loaded, laid out 800 pixels wide
// and its first 800x600 viewport painted, against QTextDocument doing the
// same (setHtml, setTextWidth, the document size, drawContents of the same
// viewport). Best of several alternating runs each. A full-document paint pass of ours
// is reported too. The last line is the ratio ours / QTextDocument
// (target: at most 1.0).
#include "BenchFigure.h"
#include "html/Document.h"
#include "htmlview/DocumentLayout.h"
#include "platform/ui/Application.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QTextDocument>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr int kWidth = 800;
constexpr int kViewportHeight = 600;
constexpr int kRuns = 7;

std::string MailBody()
{
    std::string body = "<HTML><HEAD><STYLE>BODY { font-size: 10.5pt }</STYLE></HEAD><BODY>";
    int n = 0;
    while (body.size() < 1024 * 1024) {
        ++n;
        body +=
            "<DIV>各位同事，附件是本周的<B>项目进度</B>报告，请查收。The weekly report is "
            "attached; "
            "please review the <I>open items</I> before Thursday and reply with comments. "
            "<FONT color=#cc0000 size=2>注意：第" +
            std::to_string(n) +
            "项需要尽快处理。</FONT></DIV>"
            "<P>这是一段较长的中文文字，用来测试换行和字体回退的效果，没有空格也要能正确断行。"
            "Mixed English text follows with several words so that lines wrap at the width.</P>";
        if (n % 10 == 0) {
            body += "<TABLE border=1 cellpadding=3 cellspacing=0><TBODY>";
            for (int r = 0; r < 3; ++r) {
                body += "<TR>";
                for (int c = 0; c < 4; ++c)
                    body += "<TD><B>" + std::to_string(r * 4 + c) +
                            "</B>&nbsp;金额 <FONT color=#0000ff>42.00</FONT></TD>";
                body += "</TR>";
            }
            body += "</TBODY></TABLE>";
        }
        if (n % 7 == 0)
            body += "<UL><LI>第一点 first point</LI><LI>second point 第二点</LI></UL>"
                    "<OL><LI>step one</LI><LI>步骤二</LI></OL>";
    }
    return body + "</BODY></HTML>";
}

template <typename Work> double Milliseconds(Work work)
{
    auto start = std::chrono::steady_clock::now();
    work();
    std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    return took.count();
}

template <typename Work> double BestMilliseconds(Work work)
{
    double best = 1e300;
    for (int run = 0; run < kRuns; ++run)
        best = std::min(best, Milliseconds(work));
    return best;
}

} // namespace

int main()
{
    vellum::ui::EnsureApplication();
    const std::string html = MailBody();
    const QString qhtml = QString::fromStdString(html);
    const std::u16string u16html = qhtml.toStdU16String();
    QImage viewport(kWidth, kViewportHeight, QImage::Format_ARGB32_Premultiplied);
    const QRectF clip(0, 0, kWidth, kViewportHeight);
    int ourHeight = 0;
    double reference = 1e300;

    auto oursOnce = [&] {
        vellum::html::Document document;
        document.LoadHtml(u16html);
        vellum::html::DocumentLayout layout(document);
        layout.SetWidth(kWidth);
        layout.Update();
        ourHeight = layout.Height();
        viewport.fill(Qt::white);
        QPainter painter(&viewport);
        layout.Paint(painter, clip);
    };
    qreal referenceHeight = 0;
    auto referenceOnce = [&] {
        QTextDocument text;
        text.setHtml(qhtml);
        text.setTextWidth(kWidth);
        referenceHeight = text.documentLayout()->documentSize().height();
        viewport.fill(Qt::white);
        QPainter painter(&viewport);
        text.drawContents(&painter, clip);
    };
    // Alternating runs, so that a busy moment on a shared machine weighs on
    // both sides alike; the best of each counts.
    double ours = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        ours = std::min(ours, Milliseconds(oursOnce));
        reference = std::min(reference, Milliseconds(referenceOnce));
    }

    vellum::html::Document document;
    document.LoadHtml(u16html);
    vellum::html::DocumentLayout layout(document);
    layout.SetWidth(kWidth);
    layout.Update();
    double layoutOnly = BestMilliseconds([&] {
        layout.Invalidate();
        layout.Update();
    });
    double fullPaint = BestMilliseconds([&] {
        // The whole document, one viewport at a time.
        for (int top = 0; top < layout.Height(); top += kViewportHeight) {
            viewport.fill(Qt::white);
            QPainter painter(&viewport);
            painter.translate(0, -top);
            layout.Paint(painter, QRectF(0, top, kWidth, kViewportHeight));
        }
    });

    std::printf("body: %zu bytes\n", html.size());
    std::printf("ours: load + layout + first viewport %.1f ms (height %d px)\n", ours, ourHeight);
    std::printf("ours: relayout alone %.1f ms, painting every viewport %.1f ms\n", layoutOnly,
                fullPaint);
    std::printf("QTextDocument: setHtml + layout + first viewport %.1f ms (height %.0f px)\n",
                reference, referenceHeight);
    vellum::bench::PrintFigure("html.layout-1m", ours, reference, 1.0);
    std::printf("%.3f\n", ours / reference);
    return 0;
}
