// QClipboard takes ownership of the mime data it is given, hence the bare
// new below.
#include "htmlview/SystemClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QString>

namespace vellum::html {

void SystemClipboard::SetContent(const ClipboardContent& content)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    auto* data = new QMimeData;
    data->setHtml(QString::fromStdU16String(content.html));
    data->setText(QString::fromStdU16String(content.text));
    clipboard->setMimeData(data);
}

ClipboardContent SystemClipboard::Content() const
{
    ClipboardContent content;
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data)
        return content;
    if (data->hasHtml())
        content.html = data->html().toStdU16String();
    if (data->hasText())
        content.text = data->text().toStdU16String();
    return content;
}

} // namespace vellum::html
