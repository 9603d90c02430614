// CImageButton: the module's push button. It shows a small picture (usually
// a toolbar GIF from "images/") with an optional caption, flat until the
// mouse is over it, and may act as a toggle. Every click is reported to the
// window holding it as a command with the button's control identifier.
#pragma once

#include "platform/ui/Color.h"
#include "ui/ButtonLook.h"

#include <QAbstractButton>
#include <QBitmap>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <array>
#include <string>

// Where the picture sits relative to the caption.
enum ImageAlign {
    kImageLeft = 0, // centred when there is no caption
    kImageTop = 1,
    kImageRight = 2,
};

class CImageButton : public QAbstractButton
{
public:
    explicit CImageButton(QWidget* parent = nullptr);

    // Creates the button as a child of parent with the platform's button
    // style: a check-box type makes it a toggle, the default push type the
    // default button. Visible, disabled, tab-stop bits are honoured.
    bool Create(const std::string& caption, unsigned style, QWidget* parent, int id);

    // Loads the picture (see LoadPictureBitmap); the transparent colour does
    // not show. Returns SetImage's result, 1 when the file gives no picture
    // (the button then has none).
    int SetImageFile(const std::string& path, vellum::ui::ColorRef transparent);
    // 0 done, 1 the bitmap is empty, 2 no mask could be made (image dropped).
    int SetImage(const QImage& image, vellum::ui::ColorRef transparent);
    bool HasImage() const { return !image_.isNull(); }
    QSize ImageSize() const { return image_.size(); }

    // Slot 0-5 (see ImageButtonColor); 3 for a slot out of range, else 0.
    int SetColor(int slot, vellum::ui::ColorRef color, bool redraw = true);
    vellum::ui::ColorRef GetColor(int slot) const;

    void SetFlat(bool flat);
    void SetDrawBorder(bool drawBorder);
    void SetFlatFocus(bool drawFocus);
    void SetAlign(int align);

    // Creates the tooltip on first use; nothing happens for an empty text.
    void SetTooltipText(const std::string& text, bool activate = true);

    // Only in check-box mode; states 1 and 2 both mean checked.
    void SetCheck(int state, bool redraw = true);
    int GetCheck() const;
    bool IsCheckBoxMode() const { return isCheckable(); }
    bool IsDefaultButton() const { return isDefault_; }
    bool IsHovered() const { return hovered_; }

    // The look the next paint uses, for the current state.
    ButtonLook CurrentLook() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ResetColors();
    void BuildDisabledImage();
    void SetHovered(bool hovered);
    void ReportClick();
    void MoveFocusOn();
    void PaintEdge(QPainter& painter, QRect rect, ButtonEdge edge) const;
    void PaintImage(QPainter& painter, QRect& captionArea, const ButtonLook& look) const;
    void PaintCaption(QPainter& painter, QRect area, const ButtonLook& look) const;

    QImage image_;
    QBitmap mask_;
    QPixmap maskedImage_;
    QPixmap disabledImage_;
    std::array<vellum::ui::ColorRef, kColorSlotCount> colors_{};
    bool flat_ = true;
    bool drawBorder_ = true;
    bool drawFlatFocus_ = false;
    int align_ = kImageLeft;
    bool isDefault_ = false;
    bool hovered_ = false;
    bool tooltipActive_ = false;
    std::string tooltipText_;
};
