#include "SessionKeeper.h"

#include "base/TraceLog.h"
#include "store/DbSession.h"

SessionKeeper::SessionKeeper(CDbSession& session, QObject* parent)
    : QObject(parent), m_session(session)
{
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &SessionKeeper::Attempt);
}

void SessionKeeper::SetWaits(Backoff::Milliseconds first, Backoff::Milliseconds ceiling)
{
    m_backoff = Backoff(first, ceiling);
}

void SessionKeeper::Suspect()
{
    if (m_down || !m_session.IsLost())
        return;
    m_down = true;
    WriteTrace("the database connection was lost: " + m_session.GetLastErrorText() + "\r\n");
    emit Lost();
    m_retry.start(m_backoff.Next());
}

// Open on an open session closes the dead connection first, then connects
// with the string it was opened with.
void SessionKeeper::Attempt()
{
    std::string connect = m_session.GetConnectString();
    if (m_session.Open(connect.c_str()) != 1) {
        m_retry.start(m_backoff.Next());
        return;
    }
    m_down = false;
    m_backoff.Reset();
    emit Restored();
}
