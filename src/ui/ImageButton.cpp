// Drawing follows the classic owner-drawn toolbar button: background by
// state, then the edge, then the picture through its mask, then the caption,
// then (for non-flat buttons) the focus rectangle. The pushed look moves the
// content one pixel right and down; a disabled button embosses its picture
// and caption in the highlight and shadow colours.
#include "ui/ImageButton.h"

#include "platform/ui/CommandTarget.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/QtColor.h"
#include "platform/ui/QtText.h"
#include "platform/ui/SystemColors.h"
#include "platform/ui/WindowStyles.h"
#include "ui/Picture.h"

#include <QBitmap>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>

using namespace vellum::ui;

namespace {

constexpr int kImageMargin = 3;
constexpr int kFocusInset = 3;

QColor System(SystemColor which)
{
    return ToQColor(GetSystemColor(which));
}

// The picture's shape in one colour, for the embossed disabled look.
QPixmap Silhouette(const QBitmap& mask, const QColor& color)
{
    QPixmap shape(mask.size());
    shape.fill(color);
    shape.setMask(mask);
    return shape;
}

} // namespace

CImageButton::CImageButton(QWidget* parent) : QAbstractButton(parent)
{
    ResetColors();
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, [this] { ReportClick(); });
}

bool CImageButton::Create(const std::string& caption, unsigned style, QWidget* parent, int id)
{
    if (parent)
        setParent(parent);
    setText(ToQString(caption));
    SetControlId(this, id);
    unsigned type = style & kButtonTypeMask;
    setCheckable((type & 2) != 0);
    isDefault_ = type == kButtonDefaultPush;
    setFocusPolicy((style & kStyleTabStop) ? Qt::StrongFocus : Qt::ClickFocus);
    setEnabled((style & kStyleDisabled) == 0);
    // Whoever creates a button lays it out. Qt would otherwise size a child
    // shown without a Qt layout to its caption first, a measurement that is
    // thrown away at once and the dearest part of a toolbar's creation when
    // the caption falls back to a CJK font.
    if (!testAttribute(Qt::WA_Resized))
        resize(size());
    setVisible((style & kStyleVisible) != 0);
    return true;
}

int CImageButton::SetImageFile(const std::string& path, ColorRef transparent)
{
    QImage bitmap = LoadPictureBitmap(path);
    if (bitmap.isNull())
        return 1;
    return SetImage(bitmap, transparent);
}

int CImageButton::SetImage(const QImage& image, ColorRef transparent)
{
    if (image.isNull())
        return 1;
    QImage opaque = image.convertToFormat(QImage::Format_RGB32);
    QImage maskImage = opaque.createMaskFromColor(ToQColor(transparent).rgb(), Qt::MaskInColor);
    QBitmap mask = QBitmap::fromImage(maskImage);
    if (mask.isNull()) {
        image_ = QImage();
        return 2;
    }
    image_ = opaque;
    mask_ = mask;
    maskedImage_ = QPixmap::fromImage(opaque);
    maskedImage_.setMask(mask);
    BuildDisabledImage();
    updateGeometry();
    update();
    return 0;
}

// The embossed picture is drawn in system colours, so it is made again
// whenever they change.
void CImageButton::BuildDisabledImage()
{
    if (mask_.isNull()) {
        disabledImage_ = QPixmap();
        return;
    }
    disabledImage_ = QPixmap(mask_.size());
    disabledImage_.fill(Qt::transparent);
    QPainter painter(&disabledImage_);
    painter.drawPixmap(1, 1, Silhouette(mask_, System(SystemColor::ButtonHighlight)));
    painter.drawPixmap(0, 0, Silhouette(mask_, System(SystemColor::ButtonShadow)));
}

int CImageButton::SetColor(int slot, ColorRef color, bool redraw)
{
    if (slot < 0 || slot >= kColorSlotCount)
        return 3;
    colors_[static_cast<size_t>(slot)] = color;
    if (redraw)
        update();
    return 0;
}

ColorRef CImageButton::GetColor(int slot) const
{
    if (slot < 0 || slot >= kColorSlotCount)
        return 0;
    return colors_[static_cast<size_t>(slot)];
}

void CImageButton::SetFlat(bool flat)
{
    flat_ = flat;
    update();
}

void CImageButton::SetDrawBorder(bool drawBorder)
{
    drawBorder_ = drawBorder;
    update();
}

void CImageButton::SetFlatFocus(bool drawFocus)
{
    drawFlatFocus_ = drawFocus;
    update();
}

void CImageButton::SetAlign(int align)
{
    if (align >= kImageLeft && align <= kImageRight)
        align_ = align;
    update();
}

void CImageButton::SetTooltipText(const std::string& text, bool activate)
{
    if (text.empty())
        return;
    tooltipText_ = text;
    tooltipActive_ = activate;
    setToolTip(activate ? ToQString(text) : QString());
}

void CImageButton::SetCheck(int state, bool redraw)
{
    if (!isCheckable())
        return;
    QSignalBlocker quiet(this);
    setChecked(state == 1 || state == 2);
    if (redraw)
        update();
}

int CImageButton::GetCheck() const
{
    return isCheckable() && isChecked() ? 1 : 0;
}

ButtonLook CImageButton::CurrentLook() const
{
    ButtonState state;
    state.checkBoxMode = isCheckable();
    state.checked = isChecked();
    state.selected = isDown();
    state.hovered = hovered_;
    state.focused = hasFocus();
    state.disabled = !isEnabled();
    state.isDefault = isDefault_;
    state.flat = flat_;
    state.drawBorder = drawBorder_;
    state.drawFlatFocus = drawFlatFocus_;
    return ChooseButtonLook(state, colors_);
}

QSize CImageButton::sizeHint() const
{
    QSize text = fontMetrics().size(0, this->text());
    QSize picture = image_.isNull() ? QSize(0, 0) : image_.size();
    if (align_ == kImageTop)
        return QSize(std::max(text.width(), picture.width()) + 2 * kImageMargin + 4,
                     text.height() + picture.height() + 2 * kImageMargin + 4);
    return QSize(text.width() + picture.width() + 3 * kImageMargin + 4,
                 std::max(text.height(), picture.height()) + 2 * kImageMargin + 2);
}

void CImageButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    ButtonLook look = CurrentLook();
    QRect area = rect();
    if (look.blackFrame) {
        painter.setPen(Qt::black);
        painter.drawRect(area.adjusted(0, 0, -1, -1));
        area.adjust(1, 1, -1, -1);
    }
    painter.fillRect(area, ToQColor(look.background));
    PaintEdge(painter, area, look.edge);
    QRect captionArea = area;
    PaintImage(painter, captionArea, look);
    PaintCaption(painter, captionArea, look);
    if (look.focusRect) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CImageButton::PaintEdge(QPainter& painter, QRect r, ButtonEdge edge) const
{
    auto bevel = [&painter](QRect box, const QColor& topLeft, const QColor& bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(box.topLeft(), box.topRight());
        painter.drawLine(box.topLeft(), box.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(box.bottomLeft(), box.bottomRight());
        painter.drawLine(box.topRight(), box.bottomRight());
    };
    switch (edge) {
    case ButtonEdge::Sunken:
        bevel(r, System(SystemColor::ButtonShadow), System(SystemColor::ButtonHighlight));
        break;
    case ButtonEdge::ShadowFrame:
        painter.setPen(System(SystemColor::ButtonShadow));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        break;
    case ButtonEdge::RaisedThick:
        bevel(r, System(SystemColor::ButtonHighlight), System(SystemColor::ButtonDarkShadow));
        bevel(r.adjusted(1, 1, -1, -1), System(SystemColor::ButtonLight),
              System(SystemColor::ButtonShadow));
        break;
    case ButtonEdge::RaisedThin:
        bevel(r, System(SystemColor::ButtonHighlight), System(SystemColor::ButtonShadow));
        break;
    case ButtonEdge::None:
        break;
    }
}

void CImageButton::PaintImage(QPainter& painter, QRect& captionArea, const ButtonLook& look) const
{
    if (image_.isNull())
        return;
    const int w = image_.width();
    const int h = image_.height();
    QPoint at;
    switch (align_) {
    case kImageTop:
        at = QPoint(captionArea.left() + (captionArea.width() - w) / 2,
                    captionArea.top() + kImageMargin);
        captionArea.setTop(at.y() + h);
        break;
    case kImageRight:
        at = QPoint(captionArea.right() + 1 - kImageMargin - w,
                    captionArea.top() + (captionArea.height() - h) / 2);
        captionArea.setRight(at.x() - 1);
        break;
    default:
        at = QPoint(captionArea.left() + kImageMargin,
                    captionArea.top() + (captionArea.height() - h) / 2);
        if (text().isEmpty())
            at.setX(captionArea.left() + (captionArea.width() - w) / 2);
        captionArea.setLeft(at.x() + w);
        break;
    }
    if (look.contentShifted)
        at += QPoint(1, 1);
    painter.drawPixmap(at, isEnabled() ? maskedImage_ : disabledImage_);
}

void CImageButton::PaintCaption(QPainter& painter, QRect area, const ButtonLook& look) const
{
    if (text().isEmpty())
        return;
    const int flags = Qt::AlignCenter | Qt::TextWordWrap;
    if (look.contentShifted)
        area.translate(1, 1);
    painter.setFont(font());
    if (look.disabledText) {
        painter.setPen(System(SystemColor::ButtonHighlight));
        painter.drawText(area.translated(1, 1), flags, text());
        painter.setPen(System(SystemColor::ButtonShadow));
        painter.drawText(area, flags, text());
        return;
    }
    painter.setPen(ToQColor(look.text));
    painter.drawText(area, flags, text());
}

void CImageButton::enterEvent(QEnterEvent* event)
{
    SetHovered(true);
    QAbstractButton::enterEvent(event);
}

void CImageButton::leaveEvent(QEvent* event)
{
    SetHovered(false);
    QAbstractButton::leaveEvent(event);
}

void CImageButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        setFocus(Qt::MouseFocusReason);
    QAbstractButton::mousePressEvent(event);
}

// The second press of a double click is a press like any other, so each
// click of a fast pair counts (and toggles).
void CImageButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
}

void CImageButton::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (!isEnabled()) {
            SetHovered(false);
            MoveFocusOn();
        }
        break;
    case QEvent::ActivationChange:
        if (!isActiveWindow())
            SetHovered(false);
        break;
    case QEvent::PaletteChange:
        ResetColors();
        BuildDisabledImage();
        break;
    default:
        break;
    }
    QAbstractButton::changeEvent(event);
}

void CImageButton::ResetColors()
{
    const ColorRef face = GetSystemColor(SystemColor::ButtonFace);
    const ColorRef text = GetSystemColor(SystemColor::ButtonText);
    colors_ = {face, text, face, text, face, text};
    update();
}

void CImageButton::SetHovered(bool hovered)
{
    if (hovered_ == hovered)
        return;
    hovered_ = hovered;
    update();
}

void CImageButton::ReportClick()
{
    SendCommand(this, ControlIdOf(this));
}

// Qt may already have moved the focus on before telling us; the parent takes
// it when no other control could.
void CImageButton::MoveFocusOn()
{
    QWidget* focus = window()->focusWidget();
    if (focus && focus != this)
        return;
    if (!focusNextChild() || window()->focusWidget() == this || !window()->focusWidget()) {
        if (parentWidget())
            parentWidget()->setFocus(Qt::OtherFocusReason);
    }
}
