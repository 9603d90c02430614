// The host application's main window: the folder list on the left
// (草稿箱, 已发送, 收件箱 with its unread count, 通知), on the right the view
// of the chosen folder as the module's export made it, and the 新邮件 action
// that runs the compose dialog through editMailDraft.
//
// The window owns the views it shows (it deletes the old one when another
// folder is chosen) and lends them the host's session, which outlives them.
// Enter opens the selected row and Delete deletes the selected rows of the
// view on show, by pressing the view's own toolbar buttons.
//
// When the database server goes away, the status bar says so while the
// session keeper connects again; a folder chosen meanwhile gets one message
// for the whole outage, and the views stay as they are until the server is
// back, when the unread count and the folder on show are read afresh.
#pragma once

#include "InboxWatch.h"
#include "SessionKeeper.h"

#include <QMainWindow>

#include <string>

class CDbSession;
class QLabel;
class QListWidget;
class QVBoxLayout;
class VellumModule;

// The four folders in list order.
enum class HostFolder { Drafts = 0, Sent = 1, Inbox = 2, Notices = 3 };

class HostWindow : public QMainWindow
{
public:
    // connectString is the session's connection string, handed on to the dialog
    // exports; userName is in the host code page.
    HostWindow(VellumModule& module, CDbSession& session, std::string connectString,
               std::string userName);
    ~HostWindow() override;

    // Switches to another user: title, folders and watch follow.
    void SetUser(const std::string& userName);
    const std::string& User() const { return m_userName; }

    // Shows a folder (again, when it is on show: a fresh view).
    void ShowFolder(HostFolder folder);
    HostFolder CurrentFolder() const { return m_folder; }
    // The view on show, as the export returned it.
    QWidget* CurrentView() const { return m_view; }

    // 新邮件: the compose dialog over this window; the drafts are shown
    // afresh afterwards. Returns the export's result.
    int NewMail();
    // On start: the mail the user was writing when the host last ended
    // without closing the compose dialog is offered back (the module asks
    // and, when taken, runs the compose dialog on it). Returns the export's
    // result.
    int OfferUnsentMail();

    // The folder list's text for a folder ("收件箱 (3)" while mail is unread).
    QString FolderLabel(HostFolder folder) const;

    InboxWatch& Watch() { return m_watch; }
    SessionKeeper& Keeper() { return m_keeper; }

    // The status bar's words on the database connection while it is down,
    // and while new mail cannot be announced to this desk.
    static QString OutageText();
    static QString NotHearingText();

private:
    void BuildFolderList();
    void BuildActions();
    void BuildKeys();
    void PressViewControl(int id);
    void OnInboxChanged(const InboxState& previous, const InboxState& now);
    void RefreshWhenIdle();
    void UpdateTitle();
    void SayWhenReadOnly();
    void OnSessionLost();
    void OnListeningChanged();
    bool TellWhileDown();
    void OnSessionRestored();
    std::string NewMailParams() const;
    int RunComposeExport(const std::string& params);

    VellumModule& m_module;
    CDbSession& m_session;
    std::string m_connect;
    std::string m_userName;
    std::string m_params; // the folder exports' parameter string
    HostFolder m_folder = HostFolder::Drafts;
    QListWidget* m_folderList = nullptr;
    QWidget* m_viewFrame = nullptr;
    QVBoxLayout* m_viewLayout = nullptr;
    QWidget* m_view = nullptr;
    InboxWatch m_watch;
    SessionKeeper m_keeper;
    QLabel* m_outage = nullptr;
    QLabel* m_notHearing = nullptr;
    bool m_outageTold = false;
    bool m_refreshPending = false;
};
