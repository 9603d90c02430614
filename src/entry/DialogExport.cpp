// The pause goes through the desktop services, so a scripted test records it
// instead of waiting; the open-failure message does too.
#include "entry/DialogExport.h"

#include "base/RequestParams.h"
#include "entry/HostMainWindow.h"
#include "platform/text/CodePage.h"
#include "platform/ui/DesktopServices.h"
#include "platform/ui/Translations.h"
#include "store/DbSession.h"

#include <memory>

namespace vellum::entry {

int32_t RunDialogExport(const char* params, PauseBeforeOpen pause,
                        const std::function<void(const DialogRequest&)>& runDialog)
{
    QWidget* mainWindow = HostMainWindow();
    if (!mainWindow)
        return 0;
    ui::InstallQtTranslations();

    CRequestParams request;
    request.Parse(params);
    std::string connect = request.Get("Connect").value_or("");
    std::string userName = request.Get("UserName").value_or("");
    // Bytes that are no text would be folded into another user's name on
    // the database's side, and the dialog would act as that user.
    if (!text::IsValidHostText(userName)) {
        ui::MessageBox(text::FromUtf8("用户名含有无效字符，无法打开邮件"), ui::MessageButtons::Ok,
                       mainWindow);
        return 0;
    }

    auto session = std::make_unique<CDbSession>();
    session->SetCloseOnDestroy(1);
    // The dialog may stay open across a restart of the database server.
    session->SetReopenWhenLost(1);
    if (pause == PauseBeforeOpen::OneSecond)
        ui::CurrentDesktop().Pause(1000);
    if (session->Open(connect.c_str()) < 1) {
        ui::MessageBox(session->GetLastErrorText(), ui::MessageButtons::Ok, mainWindow);
        return 0;
    }

    DialogRequest dialog;
    dialog.mainWindow = mainWindow;
    dialog.session = session.get();
    dialog.key = request.GetInt("Keyid");
    dialog.userName = userName;
    runDialog(dialog);
    session->Close();
    return 1;
}

} // namespace vellum::entry
