// The six functions the host calls by name (declared for hosts in
// include/vellum/vellum.h). The folder exports only make the view: the host
// re-parents, shows and deletes it, and the view does its window work when
// first shown. The dialog exports run a dialog modally over the host's main
// window on a session of their own.
#include "base/RequestParams.h"
#include "entry/DialogExport.h"
#include "entry/UnsentMailOffer.h"
#include "folders/MailDraftListView.h"
#include "folders/MailLogListView.h"
#include "folders/MailNewListView.h"
#include "folders/MailNotifyListView.h"
#include "mail/MailEditDlg.h"
#include "mail/MailReadDlg.h"
#include "platform/ui/Translations.h"
#include "vellum/vellum.h"

namespace {

using vellum::entry::DialogRequest;
using vellum::entry::PauseBeforeOpen;
using vellum::entry::RunDialogExport;

// The view goes to the host as a QWidget*: views derive from more than one
// base, so the pointer is converted before it loses its type.
template <typename View> void* MakeFolderView(const MailArgs* args)
{
    vellum::ui::InstallQtTranslations();
    auto* view = new View; // owned by the host from here on
    view->m_pSession = args ? args->session : nullptr;
    CRequestParams params;
    params.Parse(args ? args->params : nullptr);
    view->m_strUserName = params.Get("UserName").value_or("");
    return static_cast<QWidget*>(view);
}

void RunComposeDialog(const DialogRequest& request)
{
    CMailEditDlg dialog(request.mainWindow);
    dialog.m_pSession = request.session;
    dialog.m_nKeyId = request.key;
    dialog.m_strUserName = request.userName;
    dialog.DoModal(request.mainWindow);
}

void RunReadDialog(const DialogRequest& request)
{
    CMailReadDlg dialog(request.mainWindow);
    dialog.m_pSession = request.session;
    dialog.m_nKeyId = request.key;
    dialog.m_strTable = "SystemMailCopy";
    dialog.m_strUserName = request.userName;
    dialog.DoModal(request.mainWindow);
}

} // namespace

extern "C" {

void* listMailDraft(MailArgs* args)
{
    return MakeFolderView<CMailDraftListView>(args);
}

void* listMailLog(MailArgs* args)
{
    return MakeFolderView<CMailLogListView>(args);
}

void* listMailNew(MailArgs* args)
{
    return MakeFolderView<CMailNewListView>(args);
}

void* listMailNotify(MailArgs* args)
{
    return MakeFolderView<CMailNotifyListView>(args);
}

int32_t editMailDraft(int32_t, const char* params)
{
    CRequestParams request;
    request.Parse(params);
    if (request.GetInt("Recover") == 1)
        return vellum::entry::OfferUnsentMail(params);
    return RunDialogExport(params, PauseBeforeOpen::OneSecond, RunComposeDialog);
}

int32_t viewMailData(int32_t, const char* params)
{
    return RunDialogExport(params, PauseBeforeOpen::None, RunReadDialog);
}

const char* vellumVersion()
{
    return VELLUM_VERSION_TEXT;
}
}
