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
    Backoff m_backoff{std::chrono::milliseconds(500), std::chrono::seconds(15)};
    QTimer m_retry;
    bool m_down = false;
};
