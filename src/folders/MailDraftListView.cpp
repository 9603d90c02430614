// The drafts' toolbar actions. A mail saved from the compose dialog comes
// back through the dialog's key (0 or more: stored) and its exchange record,
// whose keys are named like the grid's columns (KeyId, MailTo, Subject,
// MailTime, Attachment, '@'), so copying the record fills the row; a key
// that matches no column is left out.
#include "folders/MailDraftListView.h"

#include "base/IniDocument.h"
#include "base/LeadingNumber.h"
#include "folders/FolderDefinitions.h"
#include "grid/GridCtrl.h"
#include "mail/MailEditDlg.h"
#include "platform/text/CodePage.h"
#include "store/DbRecordset.h"

#include <vector>

using vellum::text::FromUtf8;

namespace {

constexpr int kNewCommand = 6001;
constexpr int kEditCommand = 6002;
constexpr int kCopyCommand = 6003;

} // namespace

CMailDraftListView::CMailDraftListView() : CMailListView(*FindFolder("CMailDraftListView"))
{
}

bool CMailDraftListView::OnCommand(int id)
{
    if (!GetGrid())
        return CMailListView::OnCommand(id);
    switch (id) {
    case kNewCommand:
        NewMail();
        return true;
    case kEditCommand:
        EditMail();
        return true;
    case kCopyCommand:
        CopyMail();
        return true;
    default:
        return CMailListView::OnCommand(id);
    }
}

void CMailDraftListView::NewMail()
{
    CMailEditDlg dialog;
    RunAsNewMail(dialog);
}

void CMailDraftListView::EditMail()
{
    int row = FirstSelectedRowOrComplain();
    if (row < 0)
        return;
    CMailEditDlg dialog;
    dialog.m_nKeyId = LeadingInt(GetGrid()->GetText(row, 0));
    dialog.m_pSession = m_pSession;
    dialog.m_strUserName = m_strUserName;
    dialog.DoModal(this);
    CopyExchangeIntoRow(dialog.m_Exchange, row);
    GetGrid()->Refresh();
}

void CMailDraftListView::CopyMail()
{
    GridCellId focus = GetGrid()->GetFocusCell();
    if (!focus.IsValid()) {
        ShowMessage(FromUtf8("请选择一个任务"));
        return;
    }
    std::string query =
        "select * from SystemMail where keyid = " + GetGrid()->GetText(focus.row, 0);
    CDbRecordset record;
    record.Attach(m_pSession);
    if (record.Open(query.c_str()) != 1) {
        ShowMessage(record.GetLastErrorText() + "\r\n" + query);
        return;
    }
    CMailEditDlg dialog;
    for (const char* key : {"Subject", "MailTo", "Attachment", "Body"}) {
        const char* value = record.GetFieldValue(key);
        dialog.m_Exchange.Set(".", key, value ? value : "");
    }
    record.Close();
    RunAsNewMail(dialog);
}

void CMailDraftListView::RunAsNewMail(CMailEditDlg& dialog)
{
    dialog.m_pSession = m_pSession;
    dialog.m_strUserName = m_strUserName;
    dialog.DoModal(this);
    if (dialog.m_nKeyId < 0)
        return;
    CGridCtrl* grid = GetGrid();
    int row = grid->InsertRow("X", grid->GetRowCount() > 1 ? 1 : -1);
    CopyExchangeIntoRow(dialog.m_Exchange, row);
    grid->Refresh();
}

void CMailDraftListView::CopyExchangeIntoRow(const CIniDocument& exchange, int row)
{
    std::vector<std::string> keys;
    exchange.GetKeys(".", &keys);
    for (const std::string& key : keys)
        GetBinding().SetCellText(row, key, exchange.Get(".", key).value_or(""));
}
