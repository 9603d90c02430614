// The view's own toolbar actions; the shared frame is CMailListView.
#include "folders/MailNewListView.h"

#include "folders/FolderDefinitions.h"

CMailNewListView::CMailNewListView() : CMailListView(*FindFolder("CMailNewListView"))
{
}
