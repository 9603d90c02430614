// vellum-host's watch over a user's notices (what one check reads, and when
// it reports a change: new mail, or only a read one; on PostgreSQL, what it
// hears announced) and its window on a user's mail: the unread count beside
// the inbox and the inbox shown afresh when mail arrives, not when mail is
// only read.
#include "HostWindow.h"
#include "InboxWatch.h"
#include "VellumModule.h"
#include "folders/FolderTestHome.h"
#include "mail/AttachServerProcess.h"
#include "platform/ui/Application.h"
#include "platform/ui/QtText.h"
#include "platform/ui/ScriptedDesktop.h"
#include "store/MailTables.h"
#include "store/PerUserAccess.h"
#include "support/Pgbouncer.h"
#include "support/PostgresServer.h"
#include "support/RunCommand.h"
#include "support/TcpRelay.h"
#include "support/TestDatabases.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

class HostHome : public FolderTestHome
{
protected:
    void Notice(const std::string& to, int status)
    {
        Run("insert into SystemMailNotify(MailFrom,MailTo,Subject,MailId,MailTime,Status)"
            " values ('wang','" +
            to + "','s',1,'2026-12-06 06:00:00'," + std::to_string(status) + ")");
    }
};

class InboxWatchTest : public HostHome
{
protected:
    void SetUp() override
    {
        HostHome::SetUp();
        QObject::connect(&m_watch, &InboxWatch::Changed,
                         [this](const InboxState& previous, const InboxState& now) {
                             m_changes.push_back({previous, now});
                         });
    }

    struct Change
    {
        InboxState previous;
        InboxState now;
    };

    InboxWatch m_watch{m_session};
    std::vector<Change> m_changes;
};

TEST_F(InboxWatchTest, ReportsNewMailAndReadMailApart)
{
    Notice("li", 1);
    m_watch.Watch("li");
    m_watch.Stop();
    ASSERT_EQ(m_changes.size(), 1u);
    EXPECT_EQ(m_watch.State(), (InboxState{1, 0}));

    Notice("li", 0);
    Notice("wang", 0); // someone else's mail changes nothing here
    EXPECT_TRUE(m_watch.Check());
    ASSERT_EQ(m_changes.size(), 2u);
    EXPECT_EQ(m_changes[1].now, (InboxState{2, 1}));
    EXPECT_TRUE(m_changes[1].now.NoticesDifferFrom(m_changes[1].previous));

    Run("update SystemMailNotify set Status=1 where KeyId=2");
    EXPECT_TRUE(m_watch.Check());
    ASSERT_EQ(m_changes.size(), 3u);
    EXPECT_EQ(m_changes[2].now, (InboxState{2, 0}));
    EXPECT_FALSE(m_changes[2].now.NoticesDifferFrom(m_changes[2].previous)) << "only read";

    EXPECT_TRUE(m_watch.Check());
    EXPECT_EQ(m_changes.size(), 3u) << "nothing changed, nothing reported";
}

TEST_F(InboxWatchTest, AQuoteInTheUserNameIsQuotedAndAFailedQueryKeepsTheState)
{
    Notice("O''Neil", 0);
    m_watch.Watch("O'Neil");
    m_watch.Stop();
    EXPECT_EQ(m_watch.State(), (InboxState{1, 1}));

    Run("drop table SystemMailNotify");
    EXPECT_FALSE(m_watch.Check());
    EXPECT_EQ(m_watch.State(), (InboxState{1, 1}));
}

// Runs the events until `done` or 15 s have passed; whether it is done.
bool WaitFor(const std::function<bool()>& done, qint64 limitMs = 15000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

constexpr char kNotice[] = "insert into SystemMailNotify(MailFrom,MailTo,Subject,MailId,Status) "
                           "values ('wang','li','s',1,0)";

// A fresh database on the real PostgreSQL with the mail tables, a session
// for the host and one for whoever sends.
class OnPostgres : public ::testing::Test
{
protected:
    void SetUp() override
    {
        vellum::ui::EnsureApplication();
        std::string error;
        connect =
            vellum::testing::FreshDatabase(vellum::testing::TestDatabase::Postgres, folder, error);
        ASSERT_FALSE(connect.empty()) << error;
        ASSERT_EQ(session.Open(connect.c_str()), 1) << session.GetLastErrorText();
        ASSERT_EQ(sender.Open(connect.c_str()), 1) << sender.GetLastErrorText();
        ASSERT_EQ(CreateMailTables(session, error), 1) << error;
    }

    vellum::testing::ScratchFolder folder;
    std::string connect;
    CDbSession session, sender;
};

// On PostgreSQL the watch listens on a connection of its own: a send that
// another session commits reaches it well within a second, and one that is
// rolled back never does.
TEST_F(OnPostgres, TheWatchHearsCommittedMailAndNotRolledBackMail)
{
    CDbSession& host = session;

    InboxWatch watch(host);
    watch.Watch("li");
    ASSERT_TRUE(watch.IsListening());
    int changes = 0;
    QObject::connect(&watch, &InboxWatch::Changed, [&] { ++changes; });
    auto waitForChange = [&](int milliseconds) {
        QElapsedTimer clock;
        clock.start();
        while (changes == 0 && clock.elapsed() < milliseconds)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        return clock.elapsed();
    };
    const char* notice = kNotice;

    ASSERT_EQ(sender.BeginTrans(), 1);
    ASSERT_EQ(sender.Execute(notice), 1);
    ASSERT_EQ(sender.RollbackTrans(), 1);
    waitForChange(300);
    EXPECT_EQ(changes, 0) << "a rolled-back notice is never announced";

    ASSERT_EQ(sender.Execute(notice), 1);
    EXPECT_LT(waitForChange(1000), 1000);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(watch.State(), (InboxState{2, 1})) << "key 1 went with the rollback";
}

class HostWindowTest : public HostHome
{
protected:
    static void SetUpTestSuite() { vellum::ui::EnsureApplication(); }

    void SetUp() override
    {
        HostHome::SetUp();
        ASSERT_TRUE(m_module.Load("")) << m_module.Error();
    }

    VellumModule m_module;
    vellum::ui::ScriptedDesktop m_desk;
    vellum::ui::ScopedDesktop m_scoped{m_desk};
};

TEST_F(HostWindowTest, NewMailRefreshesTheInboxAndReadMailOnlyTheCount)
{
    HostWindow window(m_module, m_session, Connect(), "li");
    window.Watch().Stop(); // checked by hand below
    window.show();
    window.ShowFolder(HostFolder::Inbox);
    EXPECT_EQ(window.FolderLabel(HostFolder::Inbox), QStringLiteral("收件箱"));

    QPointer<QWidget> empty = window.CurrentView();
    Notice("li", 0);
    window.Watch().Check();
    EXPECT_TRUE(empty.isNull()) << "the inbox was not shown afresh";
    EXPECT_EQ(window.FolderLabel(HostFolder::Inbox), QStringLiteral("收件箱 (1)"));

    QPointer<QWidget> filled = window.CurrentView();
    Run("update SystemMailNotify set Status=1");
    window.Watch().Check();
    EXPECT_FALSE(filled.isNull()) << "reading keeps the view and its selection";
    EXPECT_EQ(window.FolderLabel(HostFolder::Inbox), QStringLiteral("收件箱"));

    window.ShowFolder(HostFolder::Drafts);
    QPointer<QWidget> drafts = window.CurrentView();
    Notice("li", 0);
    window.Watch().Check();
    EXPECT_FALSE(drafts.isNull()) << "other folders stay as they are";
    EXPECT_EQ(window.FolderLabel(HostFolder::Inbox), QStringLiteral("收件箱 (1)"));
    EXPECT_TRUE(m_desk.Messages().empty());
}

} // namespace

struct Outage
{
    const char* name;
    bool immediate; // killed as in a crash rather than shut down
    int heldSeconds;
    bool relayCut; // the server stays up; the relay in front of it is cut
};

class AfterAnOutage : public OnPostgres, public ::testing::WithParamInterface<Outage>
{
};

INSTANTIATE_TEST_SUITE_P(Outages, AfterAnOutage,
                         ::testing::Values(Outage{"Fast", false, 0, false},
                                           Outage{"Immediate", true, 0, false},
                                           Outage{"Held30s", false, 30, false},
                                           Outage{"RelayCut", false, 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The server restarted under a live host: the status bar says so, folders
// chosen meanwhile get one message for the whole outage, however long,
// and once the server is back the host is connected and listening again
// by itself, with the mail that came in before it reconnected counted and
// shown within two seconds.
TEST_P(AfterAnOutage, TheHostReconnectsByItselfAndNoMailIsMissed)
{
    VellumModule module;
    ASSERT_TRUE(module.Load("")) << module.Error();
    vellum::ui::ScriptedDesktop desk;
    vellum::ui::ScopedDesktop scoped(desk);
    std::optional<vellum::testing::TcpRelay> relay;
    std::string through = connect;
    if (GetParam().relayCut) {
        size_t port = connect.find("Port=") + 5;
        relay.emplace(std::stoi(connect.substr(port)));
        through = vellum::testing::WithPort(connect, relay->Port());
    }
    CDbSession host;
    ASSERT_EQ(host.Open(through.c_str()), 1) << host.GetLastErrorText();
    HostWindow window(module, host, through, "li");
    window.Keeper().SetWaits(std::chrono::milliseconds(100), std::chrono::milliseconds(400));
    window.show();
    window.ShowFolder(HostFolder::Inbox);
    ASSERT_TRUE(window.Watch().IsListening());

    if (relay)
        relay->Cut();
    else
        ASSERT_TRUE(vellum::testing::StopPostgres(GetParam().immediate));
    ASSERT_TRUE(WaitFor([&] { return window.Keeper().IsDown(); }));
    auto* outage = window.findChild<QLabel*>(QStringLiteral("outageNotice"));
    ASSERT_NE(outage, nullptr);
    EXPECT_TRUE(outage->isVisible());
    EXPECT_EQ(outage->text(), HostWindow::OutageText());
    window.ShowFolder(HostFolder::Drafts);
    window.ShowFolder(HostFolder::Sent);
    EXPECT_EQ(window.CurrentFolder(), HostFolder::Inbox);
    ASSERT_EQ(desk.Messages().size(), 1u) << "one message for the outage, not one per click";
    EXPECT_EQ(vellum::ui::ToQString(desk.Messages()[0].text), HostWindow::OutageText());
    WaitFor([] { return false; }, GetParam().heldSeconds * 1000);
    window.ShowFolder(HostFolder::Drafts);
    EXPECT_TRUE(outage->isVisible());
    EXPECT_EQ(desk.Messages().size(), 1u) << "still one message, however long the outage";

    if (relay) {
        ASSERT_TRUE(relay->Restore());
    } else {
        ASSERT_TRUE(vellum::testing::RestartPostgres());
        ASSERT_EQ(sender.Open(connect.c_str()), 1) << sender.GetLastErrorText();
    }
    ASSERT_EQ(sender.Execute(kNotice), 1) << "mail before the host is back";
    QPointer<QWidget> before = window.CurrentView();
    ASSERT_TRUE(WaitFor(
        [&] { return window.FolderLabel(HostFolder::Inbox) == QStringLiteral("收件箱 (1)"); },
        2000))
        << window.FolderLabel(HostFolder::Inbox).toStdString();
    EXPECT_FALSE(window.Keeper().IsDown());
    EXPECT_FALSE(outage->isVisible());
    EXPECT_TRUE(before.isNull()) << "the inbox on show was filled again";
    EXPECT_TRUE(WaitFor([&] {
        return window.Watch().IsListening() && window.Watch().Problem() == ListeningProblem::None;
    })) << "listening again, and heard";

    ASSERT_EQ(sender.Execute(kNotice), 1);
    EXPECT_TRUE(WaitFor([&] {
        return window.FolderLabel(HostFolder::Inbox) == QStringLiteral("收件箱 (2)");
    })) << "heard through the listener again";
    EXPECT_EQ(desk.Messages().size(), 1u);
}

// Through a pooler in transaction mode LISTEN succeeds but no announcement
// ever reaches the listener: the desk says so and checks every few seconds,
// so new mail still shows.
TEST_F(OnPostgres, ADeafListenerIsToldAndNewMailStillShows)
{
    const std::string& pooled = vellum::testing::PooledPostgresOdbcConnectString();
    ASSERT_FALSE(pooled.empty()) << vellum::testing::PgbouncerStartError();
    CDbSession host;
    ASSERT_EQ(host.Open(pooled.c_str()), 1) << host.GetLastErrorText();
    VellumModule module;
    ASSERT_TRUE(module.Load("")) << module.Error();
    vellum::ui::ScriptedDesktop desk;
    vellum::ui::ScopedDesktop scoped(desk);
    HostWindow window(module, host, pooled, "li");
    window.show();
    ASSERT_TRUE(WaitFor([&] { return window.Watch().Problem() == ListeningProblem::Deaf; }));
    EXPECT_FALSE(window.Watch().IsListening());
    auto* notice = window.findChild<QLabel*>(QStringLiteral("notHearingNotice"));
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), HostWindow::NotHearingText());

    ASSERT_EQ(sender.Execute(kNotice), 1);
    EXPECT_TRUE(WaitFor(
        [&] { return window.FolderLabel(HostFolder::Inbox) == QStringLiteral("收件箱 (1)"); }));
}

// Behind the same pooler a desk whose tolvan.ini names live feed servers
// hears new mail at once through them, without a listener of its own, and
// when its feed server goes it moves to the next one listed.
TEST_F(OnPostgres, ADeskBehindAPoolerHearsThroughTheFeedAndOutlivesItsServer)
{
    const std::string& pooled = vellum::testing::PooledPostgresOdbcConnectString();
    ASSERT_FALSE(pooled.empty()) << vellum::testing::PgbouncerStartError();
    setenv("VELLUM_ATTACHD_DATABASE", vellum::testing::PostgresConnInfo().c_str(), 1);
    using vellum::testing::AttachServerProcess;
    std::vector<std::string> postgres = {"--storage", "postgres"};
    auto first = std::make_unique<AttachServerProcess>(folder.Path() + "one", postgres);
    AttachServerProcess second(folder.Path() + "two", postgres);
    unsetenv("VELLUM_ATTACHD_DATABASE");
    ASSERT_TRUE(first->Port() > 0 && second.Port() > 0);
    std::filesystem::create_directories(folder.Path() + "home/data");
    std::ofstream(folder.Path() + "home/data/tolvan.ini")
        << "[.]\nFeedServer=" << first->BaseUrl() << ", " << second.BaseUrl() << "\n";
    setenv("VELLUM_HOME", (folder.Path() + "home").c_str(), 1);
    CDbSession host;
    ASSERT_EQ(host.Open(pooled.c_str()), 1) << host.GetLastErrorText();
    VellumModule module;
    ASSERT_TRUE(module.Load("")) << module.Error();
    vellum::ui::ScriptedDesktop desk;
    vellum::ui::ScopedDesktop scoped(desk);
    HostWindow window(module, host, pooled, "li");
    unsetenv("VELLUM_HOME");
    window.show();
    ASSERT_TRUE(WaitFor([&] { return window.Watch().IsListening(); }));
    auto nextMailShows = [&](int unread) {
        EXPECT_EQ(sender.Execute(kNotice), 1);
        // Well before a deaf feed would be found out (1 s) and probed for (3 s).
        const QString label = QStringLiteral("收件箱 (%1)").arg(unread);
        return WaitFor([&] { return window.FolderLabel(HostFolder::Inbox) == label; }, 2000);
    };
    EXPECT_TRUE(nextMailShows(1));
    first.reset(); // its desks lose their feed and go to the second
    ASSERT_TRUE(WaitFor([&] { return !window.Watch().IsListening(); }));
    ASSERT_TRUE(WaitFor([&] { return window.Watch().IsListening(); }));
    EXPECT_TRUE(nextMailShows(2));
    EXPECT_EQ(window.Watch().Problem(), ListeningProblem::None);
}

// With per-user access li's desk logs in as li: its folders, its live inbox
// (on li's secret channel) and a send to many by wang, logged in as wang,
// all work through the policies.
TEST_F(OnPostgres, APerUserDeskHearsAndShowsItsOwnMail)
{
    std::string error;
    ASSERT_TRUE(EnablePerUserAccess(session, error)) << error;
    for (const char* user : {"li", "wang"}) {
        ASSERT_EQ(session.Execute((std::string("drop role if exists ") + user).c_str()), 1);
        ASSERT_TRUE(AddMailUser(session, user, "unused under trust", error)) << error;
    }
    auto as = [&](const std::string& user) {
        std::string own = connect;
        return own.replace(own.find("Uid=postgres"), 12, "Uid=" + user);
    };
    CDbSession li;
    ASSERT_EQ(li.Open(as("li").c_str()), 1) << li.GetLastErrorText();
    VellumModule module;
    ASSERT_TRUE(module.Load("")) << module.Error();
    vellum::ui::ScriptedDesktop desk;
    vellum::ui::ScopedDesktop scoped(desk);
    HostWindow window(module, li, as("li"), "li");
    window.show();
    window.ShowFolder(HostFolder::Inbox);
    ASSERT_TRUE(WaitFor([&] {
        return window.Watch().IsListening() && window.Watch().Problem() == ListeningProblem::None;
    }));

    vellum::testing::CommandResult sent = vellum::testing::RunCommand(
        VELLUM_BINARY_DIR "/tools/vellum/vellum",
        {"send", "--connect", as("wang"), "--to", "li,zhao", "--subject", "s", "--body", "b"});
    ASSERT_EQ(sent.exitCode, 0) << sent.err;
    EXPECT_TRUE(WaitFor([&] {
        return window.FolderLabel(HostFolder::Inbox) == QStringLiteral("收件箱 (1)");
    })) << window.FolderLabel(HostFolder::Inbox).toStdString();
    window.ShowFolder(HostFolder::Drafts);
    window.ShowFolder(HostFolder::Sent);
    EXPECT_TRUE(desk.Messages().empty()) << "every folder opens as li";
}
