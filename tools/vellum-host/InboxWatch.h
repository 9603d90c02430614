// Watches a user's notices for new mail: every two seconds one count query
// on the host's session tells how many notices the user has, the newest key
// and how many are unread. The window shows the unread count beside the
// inbox and refreshes the inbox when the notices changed.
#pragma once

#include <QObject>
#include <QTimer>

#include <string>

class CDbSession;

struct InboxState
{
    long total = 0;
    long newestKey = 0;
    long unread = 0;

    // Mail arrived or notices went (not merely read).
    bool NoticesDifferFrom(const InboxState& other) const
    {
        return total != other.total || newestKey != other.newestKey;
    }
    bool operator==(const InboxState&) const = default;
};

class InboxWatch : public QObject
{
    Q_OBJECT

public:
    static constexpr int kIntervalMs = 2000;

    InboxWatch(CDbSession& session, QObject* parent = nullptr);

    // Starts watching userName's notices (host code page); reads at once.
    void Watch(const std::string& userName);

    // Stops the timer; Check still reads on demand.
    void Stop() { m_timer.stop(); }

    // Reads the state now; false when the query failed (the state is kept).
    bool Check();

    const InboxState& State() const { return m_state; }

signals:
    // The state changed since the last check.
    void Changed(const InboxState& previous, const InboxState& now);

private:
    CDbSession& m_session;
    std::string m_query;
    InboxState m_state;
    QTimer m_timer;
};
