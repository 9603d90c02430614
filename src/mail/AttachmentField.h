// The attachment field of the compose and read dialogs. A person reads the
// file's own name there (AttachmentDisplayName), while the mail keeps, saves
// and downloads by the full server name: the field keeps that name beside the
// text it shows. Whatever the person types instead is taken as typed (a new
// name, a local path, nothing).
#pragma once

#include <string>

class QWidget;

// Shows the display name of `serverName` and keeps the name itself.
void SetAttachmentField(QWidget* field, const std::string& serverName);

// The field's value: the server name while the field shows its display name
// unchanged, else the text as it stands.
std::string GetAttachmentField(const QWidget* field);
