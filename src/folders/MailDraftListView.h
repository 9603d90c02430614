// CMailDraftListView: the writer's drafts (SystemMail rows with Status 0), with new, edit, copy and
// delete.
#pragma once

#include "folders/MailListView.h"

class CMailDraftListView : public CMailListView
{
public:
    CMailDraftListView();
};
