#include "mail/MailDialogRows.h"

#include "base/TextHelpers.h"
#include "mail/TransferProgress.h"
#include "platform/text/CodePage.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/QtColor.h"
#include "platform/ui/SystemColors.h"
#include "platform/ui/WindowStyles.h"
#include "ui/ImageButton.h"
#include "ui/Layout.h"
#include "ui/LayoutCtrl.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QPalette>

using vellum::text::FromUtf8;
using vellum::ui::GetSystemColor;
using vellum::ui::SystemColor;
using vellum::ui::ToQColor;

namespace {

constexpr int kStretch = 0;
constexpr int kFixed = 3;
constexpr vellum::ui::ColorRef kWhite = 0xFFFFFF;

} // namespace

CLayoutCtrl* CreateMailToolbar(QWidget& dialog, std::initializer_list<MailToolbarButton> buttons)
{
    auto* strip = new CLayoutCtrl(&dialog);
    strip->Create(dialog.rect(), &dialog, 0, vellum::ui::kStyleVisible | vellum::ui::kStyleTabStop);
    CLayoutRow* row = strip->AddRow(24, kFixed);
    const std::string picture = GetModuleDir() + "images/item.gif";
    for (const MailToolbarButton& entry : buttons) {
        CImageButton* button = strip->AddButton(row, FromUtf8(entry.caption), entry.id, 50, kFixed);
        if (button)
            button->SetImageFile(picture, kWhite);
    }
    return strip;
}

void AddToolbarRow(CLayout& layout, CLayoutCtrl* toolbar)
{
    CLayoutRow* row = layout.AddRow(28, kFixed);
    layout.AttachItem(row, toolbar, 100, kStretch);
    layout.AddItem(row, nullptr, 5, kFixed);
}

void AddSenderRow(CLayout& layout, int senderId, int timeId)
{
    CLayoutRow* row = layout.AddRow(24, kFixed);
    layout.AddLabel(row, FromUtf8("发信人:"), 0, 50, kFixed);
    MakeReadOnlyField(layout.AddEdit(row, senderId, 150, kFixed));
    layout.AddLabel(row, FromUtf8("创建时间:"), 0, 60, kFixed);
    MakeReadOnlyField(layout.AddEdit(row, timeId, 160, kFixed));
}

void MakeReadOnlyField(QLineEdit* field)
{
    field->setReadOnly(true);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, ToQColor(GetSystemColor(SystemColor::ButtonFace)));
    field->setPalette(palette);
}

void AddBodyRows(CLayout& layout, QWidget* body)
{
    CLayoutRow* row = layout.AddRow(100, kStretch);
    body->show();
    layout.AddItem(row, body, 100, kStretch);
    layout.AddItem(row, nullptr, 2, kFixed);
    layout.AddRow(2, kFixed);
}

QLineEdit* AddAttachmentRow(CLayout& layout, int editId, const char* buttonCaption, int buttonId)
{
    CLayoutRow* row = layout.AddRow(20, kFixed);
    layout.AddLabel(row, FromUtf8("附件"), 0, 50, kFixed);
    QLineEdit* edit = layout.AddEdit(row, editId, 100, kStretch);
    layout.AddButton(row, FromUtf8(buttonCaption), buttonId, 50, kFixed);
    layout.AddItem(row, nullptr, 5, kFixed);
    return edit;
}

std::unique_ptr<TransferProgress> CreateTransferProgress(QWidget& dialog, CTransferBar& bar,
                                                         CLayoutCtrl* toolbar, int attachmentId,
                                                         int buttonId)
{
    auto* button = qobject_cast<QAbstractButton*>(vellum::ui::FindControl(&dialog, buttonId));
    if (!button)
        return nullptr;
    std::vector<QWidget*> locked;
    for (QWidget* widget :
         {static_cast<QWidget*>(toolbar), vellum::ui::FindControl(&dialog, attachmentId)})
        if (widget)
            locked.push_back(widget);
    return std::make_unique<TransferProgress>(dialog, bar, *button, std::move(locked));
}
