// The view's own toolbar actions; the shared frame is CMailListView.
#include "folders/MailLogListView.h"

#include "folders/FolderDefinitions.h"

CMailLogListView::CMailLogListView() : CMailListView(*FindFolder("CMailLogListView"))
{
}
