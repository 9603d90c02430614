// Texts are written in UTF-8 here and converted to the host code page where
// they meet the dialogs, like every text of the module.
#include "editor/AddressPrompt.h"

#include "platform/fs/HeldOpenFiles.h"
#include "platform/text/CodePage.h"
#include "platform/ui/DesktopServices.h"
#include "platform/ui/QtText.h"
#include "ui/InputFormDlg.h"

#include <QFile>
#include <QFileInfo>

using vellum::text::FromUtf8;

namespace {

constexpr char kLinkField[] = "Url";

QByteArray MimeTypeOf(const QString& path)
{
    QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "jpg" || suffix == "jpeg")
        return "image/jpeg";
    if (suffix == "bmp")
        return "image/bmp";
    if (suffix == "png")
        return "image/png";
    if (suffix == "ico")
        return "image/x-icon";
    return "image/gif";
}

} // namespace

std::optional<std::u16string> CEditorAddressPrompt::AskAddress(Purpose purpose,
                                                               const std::u16string& initial)
{
    if (purpose == Purpose::Hyperlink)
        return AskLinkAddress(initial);
    return AskPicture();
}

std::optional<std::u16string> CEditorAddressPrompt::AskLinkAddress(const std::u16string& initial)
{
    CInputFormDlg form(parent_);
    form.SetTitle(FromUtf8("超链接"));
    form.AddField(kLinkField, FromUtf8("地址"));
    form.SetValue(kLinkField, vellum::text::FromUtf16(initial));
    if (form.DoModal(parent_) != vellum::ui::kDialogOk)
        return std::nullopt;
    std::optional<std::string> address = form.GetValue(kLinkField);
    if (!address || address->empty())
        return std::nullopt;
    return vellum::text::ToUtf16(*address);
}

std::optional<std::u16string> CEditorAddressPrompt::AskPicture()
{
    std::optional<std::string> path = vellum::ui::CurrentDesktop().ChooseOpenFile(
        parent_, FromUtf8("图片文件 (*.gif;*.jpg;*.jpeg;*.bmp;*.png)|*.gif;*.jpg;*.jpeg;*.bmp;*."
                          "png|所有文件 (*.*)|*.*||"));
    if (!path)
        return std::nullopt;
    std::optional<std::u16string> address = PictureDataAddress(*path);
    if (!address)
        vellum::ui::MessageBox(FromUtf8("无法读取图片文件 ") + *path,
                               vellum::ui::MessageButtons::Ok, parent_);
    return address;
}

std::optional<std::u16string> PictureDataAddress(const std::string& path)
{
    QString file = vellum::ui::ToQString(path);
    if (vellum::fs::IsHeldOpenByThisProcess(file.toStdString()))
        return std::nullopt;
    QFile picture(file);
    if (!picture.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray address = "data:" + MimeTypeOf(file) + ";base64," + picture.readAll().toBase64();
    return QString::fromLatin1(address).toStdU16String();
}
