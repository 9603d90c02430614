// The offer comes before the dialog export's course so that a user without
// a lost mail costs the host no session and no pause on every start.
#include "entry/UnsentMailOffer.h"

#include "base/RequestParams.h"
#include "entry/DialogExport.h"
#include "entry/HostMainWindow.h"
#include "mail/MailEditDlg.h"
#include "mail/UnsentMailCopy.h"
#include "platform/text/CodePage.h"
#include "platform/ui/DesktopServices.h"
#include "platform/ui/Translations.h"

namespace vellum::entry {

namespace {

using text::FromUtf8;

std::string OfferText(const UnsentMail& mail)
{
    std::string subject = mail.fields.subject.empty() ? FromUtf8("(无标题)") : mail.fields.subject;
    return FromUtf8("恢复未保存的邮件？\n\n标题：") + subject + FromUtf8("\n时间：") +
           mail.writtenAt;
}

} // namespace

int32_t OfferUnsentMail(const char* params)
{
    QWidget* mainWindow = HostMainWindow();
    if (!mainWindow)
        return 0;
    CRequestParams request;
    request.Parse(params);
    UnsentMailCopy copy(request.Get("UserName").value_or(""));
    std::optional<UnsentMail> mail = copy.Read();
    if (!mail) {
        // A file that is not a whole copy cannot be offered; keeping it
        // would only leave it there for good.
        copy.Remove();
        return 1;
    }
    ui::InstallQtTranslations();
    if (ui::MessageBox(OfferText(*mail), ui::MessageButtons::YesNo, mainWindow) !=
        ui::MessageAnswer::Yes) {
        copy.Remove();
        return 1;
    }
    return RunDialogExport(params, PauseBeforeOpen::None, [&](const DialogRequest& dialogRequest) {
        CMailEditDlg dialog(dialogRequest.mainWindow);
        dialog.m_pSession = dialogRequest.session;
        dialog.m_strUserName = dialogRequest.userName;
        dialog.RestoreUnsentMail(*mail);
        dialog.DoModal(dialogRequest.mainWindow);
    });
}

} // namespace vellum::entry
