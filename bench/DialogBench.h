// The dialog benchmarks' common road: an offscreen application with a draft
// of li's stored in a new SQLite database in a scratch folder, and the read
// dialog on that draft, shown modally (what a benchmark measures runs in the
// modal action it set up beforehand; see PaintWatch.h).
#pragma once

#include "ScratchFolder.h"
#include "StoredMail.h"
#include "mail/MailReadDlg.h"
#include "platform/ui/Application.h"
#include "store/DbSession.h"

#include <cstdlib>
#include <string>

namespace vellum::bench {

struct BenchDraft
{
    std::string folder; // the scratch folder, for the benchmark to remove
    int key = -1;       // the draft's key; below 1 when it could not be stored
};

inline BenchDraft StartDialogBench(CDbSession& session, const std::string& subject,
                                   const std::string& body)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    vellum::ui::EnsureApplication();
    BenchDraft draft{MakeScratchFolder()};
    if (!draft.folder.empty())
        draft.key = StoreDraft(session, draft.folder, subject, body);
    return draft;
}

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
