// CMailNotifyListView: the user's notifications (the same notices as the
// inbox, with their mail number shown). Its toolbar: read (6002, also a
// double click), search (6005) by sender and subject, delete (6008).
#pragma once

#include "folders/MailListView.h"

class CMailNotifyListView : public CMailListView
{
public:
    CMailNotifyListView();

    bool OnCommand(int id) override;
};
