// Without single-line mode the platform ignores vertical centring, so a
// label laid out with format 4 shows its text at the top; the two-pixel
// offset is what lines it up with the edit fields beside it.
#include "ui/CaptionLabel.h"

#include "platform/ui/Fonts.h"
#include "platform/ui/QtColor.h"
#include "platform/ui/SystemColors.h"

#include <QPainter>

using namespace vellum::ui;

CCaptionLabel::CCaptionLabel(QWidget* parent) : QWidget(parent)
{
}

void CCaptionLabel::setText(const QString& text)
{
    text_ = text;
    update();
}

ColorRef CCaptionLabel::EffectiveBackColor() const
{
    return backColor.value_or(GetSystemColor(SystemColor::ButtonFace));
}

void CCaptionLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(EffectiveBackColor()));

    FontRequest request;
    request.faceUtf8 = faceUtf8;
    request.pixelHeight = charHeight;
    request.bold = bold;
    request.italic = italic;
    request.underline = underline;
    request.strikeOut = strikeOut;
    request.smooth = smooth;
    painter.setFont(MakeFont(request));
    painter.setPen(ToQColor(textColor));

    int flags = (format & kTextCenter)  ? Qt::AlignHCenter
                : (format & kTextRight) ? Qt::AlignRight
                                        : Qt::AlignLeft;
    if (format & kTextSingleLine)
        flags |= (format & kTextVCenter)  ? Qt::AlignVCenter
                 : (format & kTextBottom) ? Qt::AlignBottom
                                          : Qt::AlignTop;
    else
        flags |= Qt::AlignTop;
    if ((format & kTextWordBreak) && !(format & kTextSingleLine))
        flags |= Qt::TextWordWrap;
    painter.drawText(rect().adjusted(0, 2, 0, 0), flags, text_);
}
