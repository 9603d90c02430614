// CMailNewListView: the user's inbox (the SystemMailNotify rows addressed to
// the user), unread notices in blue. Its toolbar: read (6002, also a double
// click), which opens the delivered copy and marks the notice read, and
// delete (6007).
#pragma once

#include "folders/MailListView.h"

class CMailNewListView : public CMailListView
{
public:
    CMailNewListView();

    bool OnCommand(int id) override;

private:
    void ReadMail();
};
