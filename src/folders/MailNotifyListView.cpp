// Reading a notification opens the delivered copy and leaves the notice as
// it was: unlike the inbox, this folder does not mark it read.
#include "folders/MailNotifyListView.h"

#include "folders/FolderDefinitions.h"
#include "grid/GridCtrl.h"

namespace {

constexpr int kReadCommand = 6002;

} // namespace

CMailNotifyListView::CMailNotifyListView() : CMailListView(*FindFolder("CMailNotifyListView"))
{
}

bool CMailNotifyListView::OnCommand(int id)
{
    if (id != kReadCommand || !GetGrid())
        return CMailListView::OnCommand(id);
    int row = ReadSelectedMail(1, "SystemMailCopy");
    if (row >= 0)
        GetGrid()->RedrawRow(row);
    return true;
}
