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
// until the server takes it back. Either way one check reads the newest key through the
// recipient + key index and counts only the unread notices through the
// recipient + status index, so its cost does not grow with the inbox.
#pragma once

#include "base/Backoff.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <string>

class CDbSession;
class QSocketNotifier;

namespace vellum::db {
class ChangeListener;
}

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

    InboxWatch(CDbSession& session, QObject* parent = nullptr);
    ~InboxWatch() override;

    // The connection string the listener opens; by default the session's
    // own. A host behind a pooler in transaction mode gives the server's
    // direct address here, since LISTEN needs a session of its own.
    void SetListenConnect(const std::string& connect) { m_listenConnect = connect; }

    // Starts watching userName's notices (host code page); reads at once.
    void Watch(const std::string& userName);

    // Stops listening and probing; Check still reads on demand.
    void Stop();

    // Reads the state now; false when the query failed (the state is kept).
    bool Check();

    const InboxState& State() const { return m_state; }

    // True while changes come announced rather than probed for.
    bool IsListening() const { return m_notifier != nullptr; }

signals:
    // The state changed since the last check.
    void Changed(const InboxState& previous, const InboxState& now);
    // A check could not read the state (the state is kept).
    void CheckFailed();

private:
    bool StartListening();
    void StopListening();
    void ListenAgainLater();
    void OnAnnounced();
    bool ReadByListener(InboxState& now);
    bool ReadBySession(InboxState& now);

    CDbSession& m_session;
    std::string m_listenConnect;
    std::string m_userName;
    InboxState m_state;
    QTimer m_probe;
    QTimer m_relisten;
    Backoff m_relistenWaits{std::chrono::seconds(1), std::chrono::seconds(30)};
    std::unique_ptr<vellum::db::ChangeListener> m_listener;
    QSocketNotifier* m_notifier = nullptr;
};
