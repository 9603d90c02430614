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

bool Connection::Execute(std::string_view sql, long* affected)
{
    if (!m_backend)
        return FailNotOpen();
    return m_backend->Execute(sql, affected) || KeepBackendError();
}

std::unique_ptr<Cursor> Connection::Query(std::string_view sql, long maxRows)
{
    if (!m_backend) {
        FailNotOpen();
        return nullptr;
    }
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
    if (!m_backend)
        return FailNotOpen();
    return m_backend->Begin() || KeepBackendError();
}

bool Connection::Commit()
{
    if (!m_backend)
        return FailNotOpen();
    return m_backend->Commit() || KeepBackendError();
}

bool Connection::Rollback()
{
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
