// The two figures come from one statement of two index lookups; on the
// listener it takes the user name as a parameter, on the session as a
// quoted literal.
#include "InboxWatch.h"

#include "base/TraceLog.h"
#include "db/ChangeListener.h"
#include "net/FeedListener.h"
#include "store/DbRecordset.h"
#include "store/DbSession.h"
#include "store/MailTables.h"
#include "store/PerUserAccess.h"
#include "store/QueryValue.h"
#include "store/SqlLiteral.h"

#include <QSocketNotifier>

#include <cstdlib>
#include <optional>
#include <vector>

namespace {

// USER stands for the user name, as a literal or a parameter.
std::string StateQuery(const std::string& user)
{
    return "select (select max(KeyId) from SystemMailNotify where MailTo=" + user +
           ") as Newest, (select count(*) from SystemMailNotify where MailTo=" + user +
           " and Status=0) as Unread";
}

long NumberOf(const char* text)
{
    return text ? std::atol(text) : 0;
}

} // namespace

InboxWatch::InboxWatch(CDbSession& session, QObject* parent) : QObject(parent), m_session(session)
{
    m_probe.setInterval(kProbeIntervalMs);
    connect(&m_probe, &QTimer::timeout, this, [this] { Check(); });
    m_relisten.setSingleShot(true);
    connect(&m_relisten, &QTimer::timeout, this, [this] {
        if (!StartListening()) {
            ListenAgainLater();
            return;
        }
        m_relistenWaits.Reset();
        m_probe.stop();
        Check();
    });
    m_hearing.setSingleShot(true);
    m_hearing.setInterval(kHearingTimeoutMs);
    connect(&m_hearing, &QTimer::timeout, this, [this] {
        WriteTrace("inbox watch: the listener's own announcement never came back; the server's "
                   "announcements cannot be heard through this connection\r\n");
        ProbeInstead(ListeningProblem::Deaf);
        ListenAgainLater();
    });
}

InboxWatch::~InboxWatch()
{
    StopListening();
}

void InboxWatch::Watch(const std::string& userName)
{
    Stop();
    m_userName = userName;
    m_state = {};
    m_probe.setInterval(kProbeIntervalMs);
    if (!StartListening())
        m_probe.start();
    Check();
}

void InboxWatch::Stop()
{
    m_probe.stop();
    m_relisten.stop();
    m_hearing.stop();
    StopListening();
}

void InboxWatch::ProbeInstead(ListeningProblem problem)
{
    StopListening();
    m_probe.setInterval(kFallbackIntervalMs);
    m_probe.start();
    SetProblem(problem);
}

// Any announcement proves the listener hears the server.
void InboxWatch::Heard(int notices)
{
    if (notices > 0 && m_hearing.isActive()) {
        m_hearing.stop();
        SetProblem(ListeningProblem::None);
    }
}

void InboxWatch::SetProblem(ListeningProblem problem)
{
    if (problem == m_problem)
        return;
    m_problem = problem;
    emit ListeningChanged();
}

bool InboxWatch::Check()
{
    InboxState now;
    if (!(m_listener ? ReadByListener(now) : ReadBySession(now))) {
        emit CheckFailed();
        return false;
    }
    // A notice that reached the listener while it read came in with the
    // query's answer: the socket will not wake the watch for it again, so
    // the watch looks once more on its own.
    int arrivedMeanwhile = 0;
    if (m_listener && m_listener->TakeNotices(arrivedMeanwhile) && arrivedMeanwhile > 0) {
        Heard(arrivedMeanwhile);
        QTimer::singleShot(0, this, [this] { Check(); });
    }
    if (now == m_state)
        return true;
    InboxState previous = m_state;
    m_state = now;
    emit Changed(previous, now);
    return true;
}

// Only a PostgreSQL server with the announcing trigger can be listened to;
// every other database, and a failed connection, leaves the probe to it.
bool InboxWatch::StartListening()
{
    if (!m_feedAddresses.empty())
        return StartFeed();
    std::string server = m_listenConnect.empty() ? m_session.GetConnectString() : m_listenConnect;
    if (!vellum::db::LibpqConninfoOf(server))
        return false;
    auto listener = std::make_unique<vellum::db::ChangeListener>();
    std::vector<std::optional<std::string>> channel;
    if (!listener->Open(server) || !listener->Query(kInboxChannelQuery, {m_userName}, channel) ||
        !channel[0] || !listener->Listen(*channel[0])) {
        WriteTrace("inbox watch: cannot listen: " + listener->LastError() + "\r\n");
        ProbeInstead(ListeningProblem::Unreachable);
        return false;
    }
    m_listener = std::move(listener);
    HearOn(*m_listener, *channel[0]);
    return true;
}

// Each try goes to the next feed server listed, so desks that lost one
// move to another.
bool InboxWatch::StartFeed()
{
    std::string error;
    std::optional<std::string> ticket = AttachmentTicket(m_session, error);
    std::optional<std::string> channel =
        ticket ? QueryValue(m_session,
                            "select SystemMailNotify_Channel(" +
                                SqlTextLiteral(m_userName.c_str()) + ")",
                            error)
               : std::nullopt;
    auto feed = std::make_unique<FeedListener>();
    const std::string& address = m_feedAddresses[m_nextFeed++ % m_feedAddresses.size()];
    if (!channel || !feed->Open(address, m_userName, *ticket)) {
        WriteTrace("inbox watch: cannot subscribe to the feed at " + address + ": " +
                   (channel ? feed->LastError() : error) + "\r\n");
        ProbeInstead(ListeningProblem::Unreachable);
        return false;
    }
    m_feed = std::move(feed);
    HearOn(*m_feed, *channel);
    return true;
}

// Announced as mail is, from another session (the host's): a pooler that
// hands a listener's announcements to whichever client is linked at the
// time would pass one the listener made itself.
void InboxWatch::HearOn(vellum::db::NoticeSource& source, const std::string& channel)
{
    m_notifier = new QSocketNotifier(source.SocketDescriptor(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InboxWatch::OnAnnounced);
    std::string announce = "select pg_notify(" + SqlTextLiteral(channel.c_str()) + ", '')";
    if (!m_session.Execute(announce.c_str()))
        WriteTrace("inbox watch: cannot announce: " + m_session.GetLastErrorText());
    m_hearing.start();
}

vellum::db::NoticeSource* InboxWatch::Source() const
{
    if (m_listener)
        return m_listener.get();
    return m_feed.get();
}

void InboxWatch::StopListening()
{
    delete m_notifier;
    m_notifier = nullptr;
    m_listener.reset();
    m_feed.reset();
}

// A lost listener hands the watch to the probe until it listens again.
void InboxWatch::OnAnnounced()
{
    int notices = 0;
    if (!Source()->TakeNotices(notices)) {
        StopListening();
        m_probe.start();
        ListenAgainLater();
        Check();
        return;
    }
    Heard(notices);
    if (notices > 0)
        Check();
}

void InboxWatch::ListenAgainLater()
{
    m_relisten.start(m_relistenWaits.Next());
}

bool InboxWatch::ReadByListener(InboxState& now)
{
    std::vector<std::optional<std::string>> row;
    if (!m_listener->Query(StateQuery("$1"), {m_userName}, row) || row.size() < 2)
        return false;
    now = {NumberOf(row[0] ? row[0]->c_str() : nullptr),
           NumberOf(row[1] ? row[1]->c_str() : nullptr)};
    return true;
}

bool InboxWatch::ReadBySession(InboxState& now)
{
    CDbRecordset records;
    records.Attach(&m_session);
    if (records.Open(StateQuery(SqlTextLiteral(m_userName.c_str())).c_str()) != 1 ||
        records.IsEOF())
        return false;
    now.newestKey = NumberOf(records.GetFieldValue("Newest"));
    now.unread = NumberOf(records.GetFieldValue("Unread"));
    return true;
}
