// Opening a sent mail shows the writer's own row of SystemMail; nothing in
// the grid changes afterwards.
#include "folders/MailLogListView.h"

#include "folders/FolderDefinitions.h"

namespace {

constexpr int kOpenCommand = 6002;

} // namespace

CMailLogListView::CMailLogListView() : CMailListView(*FindFolder("CMailLogListView"))
{
}

bool CMailLogListView::OnCommand(int id)
{
    if (id != kOpenCommand || !GetGrid())
        return CMailListView::OnCommand(id);
    ReadSelectedMail(0, "SystemMail");
    return true;
}
