// The read dialog on a draft StoreDraft stored, as li opens it, shown
// modally: what a benchmark measures runs in the modal action it set up
// beforehand (see PaintWatch.h).
#pragma once

#include "mail/MailReadDlg.h"
#include "store/DbSession.h"

namespace vellum::bench {

inline void ReadStoredDraft(CDbSession& session, int key)
{
    CMailReadDlg dialog;
    dialog.m_nKeyId = key;
    dialog.m_strTable = "SystemMail";
    dialog.m_strUserName = "li";
    dialog.m_pSession = &session;
    dialog.DoModal();
}

} // namespace vellum::bench
