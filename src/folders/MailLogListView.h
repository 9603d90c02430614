// CMailLogListView: the writer's sent mail (SystemMail rows with Status 1), with open, search and
// delete.
#pragma once

#include "folders/MailListView.h"

class CMailLogListView : public CMailListView
{
public:
    CMailLogListView();
};
