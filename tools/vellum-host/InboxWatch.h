// Watches a user's notices for new mail and tells the window when the
// newest notice or the unread count changed. The window shows the unread
// count beside the inbox and refreshes the inbox when mail arrived.
//
// On PostgreSQL the watch listens: init-db's trigger announces every change
// of a recipient's notices on that recipient's channel when it commits, and
// the watch, on a libpq connection of its own (the host's session is left
// alone), reads the two figures only then. Elsewhere, and when the listener
// cannot connect or loses its server, it probes on the host's session four
// times a second; a lost listener is tried again, less often each time,
// until the server takes it back.
//
// A listener can also be deaf: through a pooler in transaction mode LISTEN
// succeeds but no announcement ever arrives. So when it starts listening the
// watch announces once on the channel through the host's session, and
// counts on the listener only once that arrives. A deaf listener, or one that cannot connect (a
// server out of connection slots), is told as a problem, and the watch
// checks on the session every few seconds instead. Either way one check reads the newest key
// through the recipient + key index and counts only the unread notices through the recipient +
// status index, so its cost does not grow with the inbox.
//
// With a live feed (FeedServer in tolvan.ini) the watch hears through the
// attachment server instead, which listens for every desk on one database
// connection: the desk's own session can then go through a pooler in
// transaction mode, and the desk costs the database no connection of its
// own. Losing a feed server moves the watch to the next one listed.
#pragma once

#include "base/Backoff.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

class CDbSession;
class FeedListener;
class QSocketNotifier;

namespace vellum::db {
class ChangeListener;
class NoticeSource;
} // namespace vellum::db

// Why a server's announcements are not being heard.
enum class ListeningProblem {
    None,        // they are, or the database makes none (SQLite)
    Unreachable, // the listener cannot connect (a server out of slots)
    Deaf,        // it listens, but its own announcement never came back
};

struct InboxState
{
    long newestKey = 0;
    long unread = 0;

    // Mail arrived (or the newest notice went), not merely read.
    bool NoticesDifferFrom(const InboxState& other) const { return newestKey != other.newestKey; }
    bool operator==(const InboxState&) const = default;
};

class InboxWatch : public QObject
{
    Q_OBJECT

public:
    static constexpr int kProbeIntervalMs = 250;
    // On a server whose announcements cannot be heard: every few seconds,
    // since thousands of desks may be doing the same.
    static constexpr int kFallbackIntervalMs = 3000;
    static constexpr int kHearingTimeoutMs = 1000;

    InboxWatch(CDbSession& session, QObject* parent = nullptr);
    ~InboxWatch() override;

    // The connection string the listener opens; by default the session's
    // own. A host behind a pooler in transaction mode gives the server's
    // direct address here, since LISTEN needs a session of its own.
    void SetListenConnect(const std::string& connect) { m_listenConnect = connect; }

    // The live feed's servers (FeedServerAddresses); when any is given the
    // watch hears through them rather than through a listener of its own.
    void SetFeed(std::vector<std::string> addresses) { m_feedAddresses = std::move(addresses); }

    // Starts watching userName's notices (host code page); reads at once.
    void Watch(const std::string& userName);

    // Stops listening and probing; Check still reads on demand.
    void Stop();

    // Reads the state now; false when the query failed (the state is kept).
    bool Check();

    const InboxState& State() const { return m_state; }

    // True while changes come announced rather than probed for.
    bool IsListening() const { return m_notifier != nullptr; }

    ListeningProblem Problem() const { return m_problem; }

signals:
    // The state changed since the last check.
    void Changed(const InboxState& previous, const InboxState& now);
    // A check could not read the state (the state is kept).
    void CheckFailed();
    // Problem() changed.
    void ListeningChanged();

private:
    bool StartListening();
    bool StartFeed();
    void HearOn(vellum::db::NoticeSource& source, const std::string& channel);
    vellum::db::NoticeSource* Source() const;
    void StopListening();
    void ListenAgainLater();
    void ProbeInstead(ListeningProblem problem);
    void Heard(int notices);
    void SetProblem(ListeningProblem problem);
    void OnAnnounced();
    bool ReadByListener(InboxState& now);
    bool ReadBySession(InboxState& now);

    CDbSession& m_session;
    std::string m_listenConnect;
    std::string m_userName;
    InboxState m_state;
    QTimer m_probe;
    QTimer m_relisten;
    QTimer m_hearing; // runs until the listener's own announcement is back
    ListeningProblem m_problem = ListeningProblem::None;
    Backoff m_relistenWaits{std::chrono::seconds(1), std::chrono::seconds(30)};
    std::unique_ptr<vellum::db::ChangeListener> m_listener;
    std::vector<std::string> m_feedAddresses;
    size_t m_nextFeed = 0;
    std::unique_ptr<FeedListener> m_feed;
    QSocketNotifier* m_notifier = nullptr;
};
