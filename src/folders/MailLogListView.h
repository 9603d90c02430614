// CMailLogListView: the writer's sent mail (SystemMail rows with Status 1).
// Its toolbar: open (6002, also a double click) in the read dialog, search
// (6005) by recipient and subject, delete (6004).
#pragma once

#include "folders/MailListView.h"

class CMailLogListView : public CMailListView
{
public:
    CMailLogListView();

    bool OnCommand(int id) override;
};
