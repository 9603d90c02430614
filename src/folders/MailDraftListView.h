// CMailDraftListView: the writer's drafts (SystemMail rows with Status 0).
// Its toolbar: new mail (6001), edit (6002, also a double click), copy
// (6003) and delete (6004). New, edit and copy run the compose dialog and
// copy what it saved (its exchange record) into the grid row.
#pragma once

#include "folders/MailListView.h"

class CIniDocument;
class CMailEditDlg;

class CMailDraftListView : public CMailListView
{
public:
    CMailDraftListView();

    bool OnCommand(int id) override;

private:
    void NewMail();
    void EditMail();
    void CopyMail();
    // Runs the dialog on a new mail; a saved one becomes the grid's first
    // row (or its only one).
    void RunAsNewMail(CMailEditDlg& dialog);
    void CopyExchangeIntoRow(const CIniDocument& exchange, int row);
};
