// The view's own toolbar actions; the shared frame is CMailListView.
#include "folders/MailNotifyListView.h"

#include "folders/FolderDefinitions.h"

CMailNotifyListView::CMailNotifyListView() : CMailListView(*FindFolder("CMailNotifyListView"))
{
}
