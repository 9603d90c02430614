// The bar is drawn like the information strip of the desktop's browser: the
// tooltip's pale yellow with a shadow line around it, the dialog's own font
// and an ordinary dialog button, so it reads as part of the window and not
// as part of the mail.
#include "mail/RemotePictureBar.h"

#include "platform/text/CodePage.h"
#include "platform/ui/QtColor.h"
#include "platform/ui/QtText.h"
#include "platform/ui/SystemColors.h"
#include "ui/CaptionLabel.h"
#include "ui/ImageButton.h"

#include <QPainter>

using vellum::text::FromUtf8;

namespace {

constexpr int kFixed = 3;
constexpr int kStretch = 0;
constexpr int kGap = 2;
constexpr vellum::ui::ColorRef kInfoBack = vellum::ui::MakeColorRef(255, 255, 225);

} // namespace

RemotePictureBar::RemotePictureBar(QWidget& dialog, QWidget& body) : QWidget(&dialog), body_(body)
{
    hide();
    layout_.owner = this;
    layout_.spacing = 4;
    layout_.topMargin = 2;
    CLayoutRow* row = layout_.AddRow(kHeight - 4, kFixed);
    label_ = layout_.AddLabel(row, "", 0, 100, kStretch);
    label_->backColor = kInfoBack;
    label_->format = kTextSingleLine | kTextVCenter;
    button_ = layout_.AddButton(row, FromUtf8("显示图片"), kShowPicturesId, 70, kFixed);
}

void RemotePictureBar::Offer(int heldBack)
{
    label_->setText(vellum::ui::ToQString(FromUtf8("此邮件中的 ") + std::to_string(heldBack) +
                                          FromUtf8(" 张远程图片未显示")));
    button_->show();
    Open();
}

void RemotePictureBar::Report(const std::string& text)
{
    label_->setText(vellum::ui::ToQString(text));
    button_->hide();
    Open();
}

void RemotePictureBar::Open()
{
    show();
    if (!fitted_)
        FitAbove();
}

void RemotePictureBar::Close()
{
    hide();
    if (fitted_)
        body_.setGeometry(body_.geometry().adjusted(0, -(kHeight + kGap), 0, 0));
    fitted_ = false;
}

void RemotePictureBar::FitAbove()
{
    fitted_ = false;
    if (isHidden())
        return;
    QRect place = body_.geometry();
    setGeometry(place.x(), place.y(), place.width(), kHeight);
    body_.setGeometry(place.adjusted(0, kHeight + kGap, 0, 0));
    raise();
    fitted_ = true;
}

std::string RemotePictureBar::Text() const
{
    return vellum::ui::FromQString(label_->text());
}

void RemotePictureBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), vellum::ui::ToQColor(kInfoBack));
    painter.setPen(
        vellum::ui::ToQColor(vellum::ui::GetSystemColor(vellum::ui::SystemColor::ButtonShadow)));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void RemotePictureBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layout_.Arrange(width(), height());
}
