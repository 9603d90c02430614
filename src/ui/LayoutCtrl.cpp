// The strip handles no command of its own: CommandTarget's defaults decline
// everything, which is what passes its buttons' clicks to its parent.
#include "ui/LayoutCtrl.h"

#include "platform/ui/ControlId.h"
#include "platform/ui/QtColor.h"
#include "platform/ui/WindowStyles.h"
#include "ui/CaptionLabel.h"
#include "ui/ImageButton.h"
#include "ui/UiProfile.h"

#include <QPainter>

using namespace vellum::ui;

CLayoutCtrl::CLayoutCtrl(QWidget* parent) : QWidget(parent), backColor_(GetLayoutCtrlBackColor())
{
    layout_.owner = this;
    setFont(layout_.font);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

// Owned children go while the strip is still whole.
CLayoutCtrl::~CLayoutCtrl()
{
    layout_.RemoveAll();
}

bool CLayoutCtrl::Create(const QRect& rect, QWidget* parent, int id, unsigned style)
{
    style &= ~kStyleBorder;
    if (parent)
        setParent(parent);
    SetControlId(this, id);
    setGeometry(rect);
    setEnabled((style & kStyleDisabled) == 0);
    setFocusPolicy((style & kStyleTabStop) ? Qt::TabFocus : Qt::NoFocus);
    setVisible((style & kStyleVisible) != 0);
    return true;
}

CLayoutRow* CLayoutCtrl::AddRow(int height, int flags)
{
    layout_.owner = this;
    return layout_.AddRow(height, flags);
}

CImageButton* CLayoutCtrl::AddButton(CLayoutRow* row, const std::string& caption, int id, int width,
                                     int flags)
{
    if (!row)
        return nullptr;
    auto* button = new CImageButton(this);
    button->Create(caption, kStyleVisible | kStyleGroup | kStyleTabStop | kButtonPush, this, id);
    layout_.AddItem(row, button, width, flags);
    button->SetColor(kColorBackNormal, backColor_, true);
    button->SetColor(kColorBackFocus, backColor_, true);
    return button;
}

CCaptionLabel* CLayoutCtrl::AddLabel(CLayoutRow* row, const std::string& text, int id, int width,
                                     int flags)
{
    CCaptionLabel* label = layout_.AddLabel(row, text, id, width, flags);
    if (!label)
        return nullptr;
    label->backColor = backColor_;
    label->Refresh();
    return label;
}

void CLayoutCtrl::Relayout()
{
    layout_.Arrange(width(), height());
}

void CLayoutCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(backColor_));
}

void CLayoutCtrl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}
