// CMailNewListView: the user's inbox (the SystemMailNotify rows addressed to the user), unread
// notices in blue, with read and delete.
#pragma once

#include "folders/MailListView.h"

class CMailNewListView : public CMailListView
{
public:
    CMailNewListView();
};
