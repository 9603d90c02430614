// The server name rides along as a dynamic property of the edit, so the
// field stays the layout's own plain edit and needs no class of its own.
#include "mail/AttachmentField.h"

#include "mail/AttachmentName.h"
#include "platform/ui/WindowText.h"

#include <QByteArray>
#include <QVariant>
#include <QWidget>

namespace {

constexpr const char* kServerNameProperty = "vellumServerName";

} // namespace

void SetAttachmentField(QWidget* field, const std::string& serverName)
{
    if (!field)
        return;
    field->setProperty(kServerNameProperty, QByteArray::fromStdString(serverName));
    vellum::ui::SetWindowText(field, AttachmentDisplayName(serverName));
}

std::string GetAttachmentField(const QWidget* field)
{
    std::string shown = vellum::ui::GetWindowText(field);
    QVariant kept = field ? field->property(kServerNameProperty) : QVariant();
    if (!kept.isValid())
        return shown;
    std::string serverName = kept.toByteArray().toStdString();
    return AttachmentDisplayName(serverName) == shown ? serverName : shown;
}
