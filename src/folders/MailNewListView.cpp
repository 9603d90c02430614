// Reading marks the notice read in the table and in the row, whatever the
// user did in the read dialog: the row's Status becomes "1" and the colours
// are applied again, so sender and subject turn black.
#include "folders/MailNewListView.h"

#include "base/TraceLog.h"
#include "folders/FolderDefinitions.h"
#include "grid/GridCtrl.h"
#include "store/DbSession.h"

namespace {

constexpr int kReadCommand = 6002;

} // namespace

CMailNewListView::CMailNewListView() : CMailListView(*FindFolder("CMailNewListView"))
{
}

bool CMailNewListView::OnCommand(int id)
{
    if (id != kReadCommand || !GetGrid())
        return CMailListView::OnCommand(id);
    ReadMail();
    return true;
}

void CMailNewListView::ReadMail()
{
    int row = ReadSelectedMail(1, "SystemMailCopy");
    if (row < 0)
        return;
    std::string sql =
        "update SystemMailNotify set status=1 where keyid=" + GetGrid()->GetText(row, 0);
    // A status the database did not take stays unread on screen too, as it
    // will be at the next fill; the reason goes to the trace log, since the
    // person has just read the mail and a message box would only interrupt.
    if (!m_pSession || !m_pSession->Execute(sql.c_str())) {
        if (m_pSession)
            WriteTrace(m_pSession->GetLastErrorText());
        return;
    }
    GetBinding().SetCellText(row, "Status", "1");
    ApplyAfterFillStep();
    GetGrid()->RedrawRow(row);
}
