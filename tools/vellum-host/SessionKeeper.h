// Keeps the host's session connected: when a statement on it finds the
// database server gone (restarted, stopped, the network cut), the keeper
// says so and opens the session again, waiting longer after each failed
// attempt (see Backoff), until the server answers. The folder views hold
// the same session object throughout, so they work again as soon as it is
// back; the window shows the outage and refreshes what it shows.
#pragma once

#include "base/Backoff.h"

#include <QObject>
#include <QTimer>

#include <string>

class CDbSession;

class SessionKeeper : public QObject
{
    Q_OBJECT

public:
    SessionKeeper(CDbSession& session, QObject* parent = nullptr);

    // A statement on the session failed: when the server is gone, the
    // keeper starts reconnecting. Other failures (a bad statement, a
    // locked file) leave it as it is.
    void Suspect();

    bool IsDown() const { return m_down; }

    // The first wait and the longest one between attempts.
    void SetWaits(Backoff::Milliseconds first, Backoff::Milliseconds ceiling);

signals:
    void Lost();
    void Restored();

private:
    void Attempt();

    CDbSession& m_session;
    // The ceiling keeps a desk back within 2 s of the server's return (1.3 s
    // at most one and a half times); the jitter spreads a whole office's
    // attempts over more than a second.
    Backoff m_backoff{std::chrono::milliseconds(250), std::chrono::milliseconds(1300)};
    QTimer m_retry;
    bool m_down = false;
};
