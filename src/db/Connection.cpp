#include "db/Connection.h"

#include "db/ConnectionString.h"
#include "db/OdbcBackend.h"
#include "db/SqlText.h"
#include "db/SqliteBackend.h"

namespace vellum::db {

bool Connection::Open(std::string_view connect)
{
    Close();
    std::string error;
    std::string text(connect);
    m_connect = text;
    m_inTransaction = false;
    if (IsSqliteConnectionString(text)) {
        auto path = ConnectionStringValue(text, "Data Source");
        if (!path || path->empty()) {
            m_error = "the SQLite connection string names no Data Source";
            return false;
        }
        m_backend = OpenSqliteBackend(*path, error);
    } else {
        m_backend = OpenOdbcBackend(text, error);
    }
    if (!m_backend) {
        // Drivers may quote the string they were given; the password never
        // reaches a message box or a log from here.
        m_error = HidingPasswordsOf(text, error);
        return false;
    }
    return true;
}

void Connection::Close()
{
    m_backend.reset();
}

bool Connection::Ready()
{
    if (m_reopenWhenLost && !m_inTransaction && (m_reopenPending || IsLost())) {
        std::string connect = m_connect;
        m_reopenPending = !Open(connect);
        if (m_reopenPending)
            return false;
    }
    return m_backend || FailNotOpen();
}

bool Connection::Execute(std::string_view sql, long* affected)
{
    if (!Ready())
        return false;
    return m_backend->Execute(sql, affected) || KeepBackendError();
}

std::unique_ptr<Cursor> Connection::Query(std::string_view sql, long maxRows)
{
    if (!Ready())
        return nullptr;
    auto cursor = m_backend->Query(sql, maxRows);
    if (!cursor)
        KeepBackendError();
    return cursor;
}

bool Connection::InsertRow(std::string_view table, const std::vector<ColumnValue>& columns)
{
    std::string sql = "insert into " + std::string(table);
    if (columns.empty()) {
        sql += " default values";
        return Execute(sql);
    }
    std::string names, values;
    for (const auto& column : columns) {
        if (!names.empty()) {
            names += ",";
            values += ",";
        }
        names += column.name;
        values += column.value ? QuoteSqlText(*column.value) : "NULL";
    }
    return Execute(sql + "(" + names + ") values (" + values + ")");
}

bool Connection::Begin()
{
    if (!Ready())
        return false;
    m_inTransaction = m_backend->Begin();
    return m_inTransaction || KeepBackendError();
}

bool Connection::Commit()
{
    if (!m_backend)
        return FailNotOpen();
    if (!m_backend->Commit())
        return KeepBackendError();
    m_inTransaction = false;
    return true;
}

bool Connection::Rollback()
{
    m_inTransaction = false;
    if (!m_backend)
        return FailNotOpen();
    return m_backend->Rollback() || KeepBackendError();
}

std::optional<long long> Connection::LastInsertKey()
{
    return m_backend ? m_backend->LastInsertKey() : std::nullopt;
}

bool Connection::IsReadOnly() const
{
    return m_backend && m_backend->IsReadOnly();
}

std::string Connection::DbmsName() const
{
    return m_backend ? m_backend->DbmsName() : std::string();
}

bool Connection::FailNotOpen()
{
    m_error = "the connection is not open";
    return false;
}

bool Connection::KeepBackendError()
{
    m_error = m_backend->LastError();
    return false;
}

} // namespace vellum::db
