// The view's own toolbar actions; the shared frame is CMailListView.
#include "folders/MailDraftListView.h"

#include "folders/FolderDefinitions.h"

CMailDraftListView::CMailDraftListView() : CMailListView(*FindFolder("CMailDraftListView"))
{
}
