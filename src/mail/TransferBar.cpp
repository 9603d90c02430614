// Colours come from the palette (highlight on a sunken base), so the bar
// looks like the platform's own progress control at any height, even the
// compose dialog's 5 pixels where a styled progress bar draws nothing. They
// are the active colours even inside a disabled field (the read dialog's
// attachment field), where the disabled ones would hide the progress.
#include "mail/TransferBar.h"

#include <QPainter>

namespace {

constexpr int kSweepStep = 8;

} // namespace

CTransferBar::CTransferBar(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CTransferBar::SetProgress(long long done, long long total)
{
    if (total < 1) {
        fraction_ = -1;
        sweep_ = (sweep_ + kSweepStep) % std::max(1, width());
    } else {
        fraction_ = std::clamp(static_cast<double>(done) / static_cast<double>(total), 0.0, 1.0);
    }
    update();
}

void CTransferBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Active, QPalette::Base));
    painter.setPen(palette().color(QPalette::Active, QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    QRect inside = rect().adjusted(1, 1, -1, -1);
    QRect filled = inside;
    if (fraction_ < 0) {
        filled.setLeft(inside.left() + sweep_);
        filled.setWidth(std::max(1, inside.width() / 5));
    } else {
        filled.setWidth(static_cast<int>(inside.width() * fraction_));
    }
    painter.fillRect(filled.intersected(inside),
                     palette().color(QPalette::Active, QPalette::Highlight));
}
