// CMailNotifyListView: the user's notifications (the same notices as the inbox, with their mail
// number shown), with read, search and delete.
#pragma once

#include "folders/MailListView.h"

class CMailNotifyListView : public CMailListView
{
public:
    CMailNotifyListView();
};
