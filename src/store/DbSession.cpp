#include "store/DbSession.h"

#include "base/TraceLog.h"
#include "db/Connection.h"

#include <climits>

CDbSession::CDbSession() = default;

CDbSession::~CDbSession()
{
    // Without the switch the connection ends when its last reference goes,
    // which may be a record set still attached to it.
    if (m_closeOnDestroy)
        Close();
}

int CDbSession::Open(const char* connect)
{
    m_connectString = connect ? connect : "";
    if (m_state == -1) {
        m_connection = std::make_shared<vellum::db::Connection>();
        m_connection->ReopenWhenLost(m_reopenWhenLost);
        m_state = 0;
    }
    if (m_connection->Open(m_connectString)) {
        m_state = 1;
        return 1;
    }
    m_state = 0;
    m_lastError = m_connection->LastError();
    if (m_trace) {
        WriteTrace(m_lastError);
        WriteTrace("\r\n");
    }
    return 0;
}

int CDbSession::Execute(const char* sql, long* affected, long /*options*/)
{
    // The test is on the connection object, not the state: a connection that
    // exists but failed to open answers with the database layer's message.
    if (!m_connection) {
        m_lastError = "Connection Not open!\r\n";
        return 0;
    }
    if (m_connection->Execute(sql ? sql : "", affected))
        return 1;
    m_lastError = m_connection->LastError();
    return 0;
}

int CDbSession::BeginTrans()
{
    return RunOnConnection(&vellum::db::Connection::Begin);
}

int CDbSession::CommitTrans()
{
    return RunOnConnection(&vellum::db::Connection::Commit);
}

int CDbSession::RollbackTrans()
{
    return RunOnConnection(&vellum::db::Connection::Rollback);
}

int CDbSession::RunOnConnection(bool (vellum::db::Connection::*step)())
{
    if (!m_connection) {
        m_lastError = "Connection Not open!\r\n";
        return 0;
    }
    if (((*m_connection).*step)())
        return 1;
    m_lastError = m_connection->LastError();
    return 0;
}

int CDbSession::Close()
{
    if (m_connection && m_connection->IsOpen()) {
        m_connection->Close();
        m_state = 0;
    }
    return 1;
}

int CDbSession::GetLastInsertKeyId(const char* table)
{
    if (!m_connection || !m_connection->IsOpen())
        return -1;
    auto key = m_connection->LastInsertKey();
    if (key && *key > 0 && *key <= INT_MAX)
        return static_cast<int>(*key);
    // No guess from the highest key: another writer's row may be the
    // highest, and a save or a notice would then name that row.
    m_lastError =
        std::string("the database did not report the key of the row just inserted into ") +
        (table ? table : "") + "\r\n";
    return -1;
}

void CDbSession::SetReopenWhenLost(int on)
{
    m_reopenWhenLost = on != 0;
    if (m_connection)
        m_connection->ReopenWhenLost(m_reopenWhenLost);
}

bool CDbSession::IsLost() const
{
    return m_connection && m_state == 1 && m_connection->IsLost();
}

bool CDbSession::IsReadOnly() const
{
    return m_connection && m_state == 1 && m_connection->IsReadOnly();
}

std::string CDbSession::GetDbmsName() const
{
    return m_connection ? m_connection->DbmsName() : std::string();
}
