// Cell text drawn through one shaped line lands on the very pixels that
// QPainter::drawText gives the same text, for every alignment, and a text
// too long for its cell is elided or clipped inside the cell.
#include "grid/GridCellText.h"

#include "grid/GridCell.h"
#include "platform/ui/Application.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <tuple>

namespace {

constexpr QRect kCell(3, 4, 120, 16);

QImage Canvas()
{
    QImage image(160, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage Drawn(const QString& text, unsigned format, const QFont& font)
{
    QImage image = Canvas();
    QPainter painter(&image);
    painter.setPen(Qt::black);
    DrawCellText(painter, kCell, text, font, QFontMetrics(font), format);
    return image;
}

QImage DrawnByQt(const QString& text, int alignment, const QFont& font)
{
    QImage image = Canvas();
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.setFont(font);
    painter.drawText(kCell, Qt::TextSingleLine | alignment, text);
    return image;
}

bool InkOutside(const QImage& image, const QRect& area)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!area.contains(x, y) && image.pixel(x, y) != QColor(Qt::white).rgb())
                return true;
    return false;
}

TEST(GridCellText, FittingTextLandsWhereQtDrawsItInEveryAlignment)
{
    vellum::ui::EnsureApplication();
    QFont font;
    font.setPointSize(9);
    const std::tuple<unsigned, int> alignments[] = {
        {GridFormatLeft, Qt::AlignLeft | Qt::AlignTop},
        {GridFormatCentre, Qt::AlignHCenter | Qt::AlignTop},
        {GridFormatRight | GridFormatVCentre, Qt::AlignRight | Qt::AlignVCenter},
        {GridFormatVCentre, Qt::AlignLeft | Qt::AlignVCenter},
    };
    for (const QString& text : {QString("li"), QString::fromUtf8("Re: 季度报表"),
                                QString("2026-12-06"), QString::fromUtf8("שלום")})
        for (auto [format, alignment] : alignments)
            EXPECT_EQ(Drawn(text, format, font), DrawnByQt(text, alignment, font))
                << text.toStdString() << " format " << format;
}

TEST(GridCellText, TooLongTextStaysInsideItsCellElidedOrClipped)
{
    vellum::ui::EnsureApplication();
    QFont font;
    font.setPointSize(9);
    const QString longText =
        QString("a subject far too long for one cell of the grid ").repeated(2);
    EXPECT_EQ(Drawn(longText, GridFormatEndEllipsis, font),
              DrawnByQt(QFontMetrics(font).elidedText(longText, Qt::ElideRight, kCell.width()),
                        Qt::AlignLeft | Qt::AlignTop, font));
    QImage clipped = Drawn(longText, GridFormatLeft, font);
    EXPECT_FALSE(InkOutside(clipped, kCell));
    EXPECT_TRUE(InkOutside(clipped, QRect(3, 4, 60, 16)))
        << "the clipped text still fills the cell";
    EXPECT_EQ(Drawn("tab\there", GridFormatLeft, font),
              DrawnByQt("tab\there", Qt::AlignLeft | Qt::AlignTop, font));
}

} // namespace
