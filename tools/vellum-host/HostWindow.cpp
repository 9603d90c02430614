// A view is the module's widget: the window re-parents it into its frame and
// deletes it (which runs the view's destruction steps, saving its column
// widths) before it makes the next one.
#include "HostWindow.h"

#include "VellumModule.h"
#include "base/TextHelpers.h"
#include "net/FeedListener.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/DesktopServices.h"
#include "platform/ui/DialogActions.h"
#include "platform/ui/QtText.h"
#include "store/DbSession.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <iterator>

namespace {

struct FolderEntry
{
    const char* label;
    const char* image; // in the module's images/ folder
    VellumListFunction VellumModule::*create;
    int deleteCommand; // the view's toolbar button that deletes
    int gridId;
};

const FolderEntry kFolders[] = {
    {"草稿箱", "edit.gif", &VellumModule::listMailDraft, 6004, 8001},
    {"已发送", "open.gif", &VellumModule::listMailLog, 6004, 8001},
    {"收件箱", "view.gif", &VellumModule::listMailNew, 6007, 6011},
    {"通知", "item.gif", &VellumModule::listMailNotify, 6008, 6012},
};

constexpr int kOpenCommand = 6002;

const FolderEntry& EntryOf(HostFolder folder)
{
    return kFolders[static_cast<int>(folder)];
}

QIcon ModuleImage(const char* name)
{
    return QIcon(QString::fromStdString(GetModuleDir() + "images/" + name));
}

} // namespace

HostWindow::HostWindow(VellumModule& module, CDbSession& session, std::string connectString,
                       std::string userName)
    : m_module(module), m_session(session), m_connect(std::move(connectString)), m_watch(session),
      m_keeper(session)
{
    resize(1000, 640);
    BuildActions();
    BuildFolderList();
    BuildKeys();
    connect(&m_watch, &InboxWatch::Changed, this, &HostWindow::OnInboxChanged);
    connect(&m_watch, &InboxWatch::CheckFailed, &m_keeper, &SessionKeeper::Suspect);
    connect(&m_watch, &InboxWatch::ListeningChanged, this, &HostWindow::OnListeningChanged);
    m_watch.SetFeed(FeedServerAddresses());
    connect(&m_keeper, &SessionKeeper::Lost, this, &HostWindow::OnSessionLost);
    connect(&m_keeper, &SessionKeeper::Restored, this, &HostWindow::OnSessionRestored);
    SetUser(userName);
    SayWhenReadOnly();
}

// Said once, where it stays in sight, before anyone writes a mail that
// could not be saved.
void HostWindow::SayWhenReadOnly()
{
    if (!m_session.IsReadOnly())
        return;
    auto* notice = new QLabel(QStringLiteral("数据库只读：邮件不能保存，也不能发送"));
    notice->setObjectName(QStringLiteral("readOnlyNotice"));
    statusBar()->addPermanentWidget(notice);
}

QString HostWindow::OutageText()
{
    return QStringLiteral("数据库连接已断开，正在重新连接 …");
}

QString HostWindow::NotHearingText()
{
    return QStringLiteral("收不到新邮件的即时通知，改为每 %1 秒检查一次")
        .arg(InboxWatch::kFallbackIntervalMs / 1000);
}

// A pooler in transaction mode or a server out of slots: new mail still
// shows, a little later, and the desk says why (the trace log has the
// technical reason).
void HostWindow::OnListeningChanged()
{
    bool problem = m_watch.Problem() != ListeningProblem::None;
    if (problem && !m_notHearing) {
        m_notHearing = new QLabel(NotHearingText());
        m_notHearing->setObjectName(QStringLiteral("notHearingNotice"));
        statusBar()->addPermanentWidget(m_notHearing);
    }
    if (m_notHearing)
        m_notHearing->setVisible(problem);
}

// The watch would only fail four times a second meanwhile; it starts again
// (listening again on PostgreSQL) once the keeper has the server back.
void HostWindow::OnSessionLost()
{
    m_watch.Stop();
    m_outageTold = false;
    if (!m_outage) {
        m_outage = new QLabel(OutageText());
        m_outage->setObjectName(QStringLiteral("outageNotice"));
        m_outage->setStyleSheet(QStringLiteral("color: #c00000"));
        statusBar()->addPermanentWidget(m_outage);
    }
    m_outage->show();
}

// Mail that arrived meanwhile shows now: the watch reads the state afresh
// and the folder on show is filled again.
void HostWindow::OnSessionRestored()
{
    if (m_outage)
        m_outage->hide();
    m_watch.Watch(m_userName);
    ShowFolder(m_folder);
}

// While the server is away, what needs it is not started; the first try
// of the outage is answered with a message, the later ones by the status
// bar alone.
bool HostWindow::TellWhileDown()
{
    if (!m_keeper.IsDown())
        return false;
    if (!m_outageTold) {
        m_outageTold = true;
        vellum::ui::MessageBox(vellum::ui::FromQString(OutageText()),
                               vellum::ui::MessageButtons::Ok, this);
    }
    return true;
}

HostWindow::~HostWindow()
{
    delete m_view; // before the frame goes, so the view saves its widths first
}

void HostWindow::BuildActions()
{
    QToolBar* toolbar = addToolBar(QStringLiteral("邮件"));
    toolbar->setMovable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction* newMail = toolbar->addAction(ModuleImage("add.gif"), QStringLiteral("新邮件"));
    newMail->setShortcut(QKeySequence::New);
    connect(newMail, &QAction::triggered, this, [this] { NewMail(); });
}

void HostWindow::BuildFolderList()
{
    auto* splitter = new QSplitter(this);
    m_folderList = new QListWidget(splitter);
    m_folderList->setIconSize(QSize(16, 16));
    m_folderList->setStyleSheet(QStringLiteral("QListWidget::item { padding: 4px 2px; }"));
    for (const FolderEntry& entry : kFolders)
        new QListWidgetItem(ModuleImage(entry.image), QString::fromUtf8(entry.label), m_folderList);
    m_folderList->setMinimumWidth(120);

    m_viewFrame = new QWidget(splitter);
    m_viewLayout = new QVBoxLayout(m_viewFrame);
    m_viewLayout->setContentsMargins(0, 0, 0, 0);

    splitter->setStretchFactor(1, 1);
    splitter->setSizes({150, 850});
    setCentralWidget(splitter);
    connect(m_folderList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row != static_cast<int>(m_folder))
            ShowFolder(static_cast<HostFolder>(row));
    });
}

void HostWindow::BuildKeys()
{
    auto bind = [this](QKeySequence keys, auto action) {
        auto* shortcut = new QShortcut(keys, m_viewFrame);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    bind(QKeySequence(Qt::Key_Return), [this] { PressViewControl(kOpenCommand); });
    bind(QKeySequence(Qt::Key_Enter), [this] { PressViewControl(kOpenCommand); });
    bind(QKeySequence(Qt::Key_Delete),
         [this] { PressViewControl(EntryOf(m_folder).deleteCommand); });
}

void HostWindow::PressViewControl(int id)
{
    if (m_view)
        vellum::ui::PressControl(*m_view, id);
}

void HostWindow::SetUser(const std::string& userName)
{
    m_userName = userName;
    m_params = "list?UserName=" + UrlEncode(userName);
    UpdateTitle();
    m_watch.Watch(userName);
    ShowFolder(m_folder);
}

void HostWindow::UpdateTitle()
{
    setWindowTitle(QStringLiteral("Vellum 内部邮件 - %1").arg(vellum::ui::ToQString(m_userName)));
    statusBar()->showMessage(QStringLiteral("用户 %1 · 数据库 %2")
                                 .arg(vellum::ui::ToQString(m_userName),
                                      QString::fromStdString(m_session.GetDbmsName())));
}

void HostWindow::ShowFolder(HostFolder folder)
{
    if (TellWhileDown()) {
        // After the click that chose the other folder has been handled, or
        // the list would keep that folder selected beside the view it had.
        QTimer::singleShot(0, this, [this] {
            QSignalBlocker quiet(m_folderList);
            m_folderList->setCurrentRow(static_cast<int>(m_folder));
        });
        return;
    }
    delete m_view;
    m_view = nullptr;
    m_folder = folder;
    m_refreshPending = false;
    const FolderEntry& entry = EntryOf(folder);
    MailArgs args{m_params.c_str(), &m_session};
    m_view = static_cast<QWidget*>((m_module.*entry.create)(&args));
    m_viewLayout->addWidget(m_view); // re-parents the view into the frame
    m_view->show();
    if (QWidget* grid = vellum::ui::FindControl(m_view, entry.gridId))
        grid->setFocus();
    QSignalBlocker quiet(m_folderList);
    m_folderList->setCurrentRow(static_cast<int>(folder));
}

QString HostWindow::FolderLabel(HostFolder folder) const
{
    QString label = QString::fromUtf8(EntryOf(folder).label);
    if (folder == HostFolder::Inbox && m_watch.State().unread > 0)
        label += QStringLiteral(" (%1)").arg(m_watch.State().unread);
    return label;
}

void HostWindow::OnInboxChanged(const InboxState& previous, const InboxState& now)
{
    int inbox = static_cast<int>(HostFolder::Inbox);
    if (QListWidgetItem* item = m_folderList->item(inbox))
        item->setText(FolderLabel(HostFolder::Inbox));
    bool showsNotices = m_folder == HostFolder::Inbox || m_folder == HostFolder::Notices;
    if (!showsNotices || !now.NoticesDifferFrom(previous))
        return;
    m_refreshPending = true;
    RefreshWhenIdle();
}

void HostWindow::RefreshWhenIdle()
{
    if (!m_refreshPending)
        return;
    // Never pull the view away under a dialog it runs.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(InboxWatch::kProbeIntervalMs, this, &HostWindow::RefreshWhenIdle);
        return;
    }
    ShowFolder(m_folder);
}

std::string HostWindow::NewMailParams() const
{
    return "edit?UserName=" + UrlEncode(m_userName) + "&Connect=" + UrlEncode(m_connect);
}

int HostWindow::NewMail()
{
    return RunComposeExport(NewMailParams());
}

int HostWindow::OfferUnsentMail()
{
    return RunComposeExport(NewMailParams() + "&Recover=1");
}

int HostWindow::RunComposeExport(const std::string& params)
{
    if (TellWhileDown())
        return 0;
    int result = m_module.editMailDraft(0, params.c_str());
    if (m_folder == HostFolder::Drafts || m_folder == HostFolder::Sent)
        ShowFolder(m_folder);
    m_watch.Check();
    return result;
}
