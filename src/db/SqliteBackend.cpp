// SQLite backend. Statements and texts are converted between the host code
// page and UTF-8 here; results are stepped with sqlite3_step, one row at a
// time. Cursors share ownership of the database handle, so a result that
// outlives its connection object still finalizes against a live handle.
#include "db/SqliteBackend.h"

#include "db/StatementText.h"
#include "platform/text/CodePage.h"

#include <sqlite3.h>

namespace vellum::db {

namespace {

using text::FromUtf8;
using text::ToUtf8;

struct SqliteHandle
{
    sqlite3* db = nullptr;
    ~SqliteHandle() { sqlite3_close_v2(db); }
};

std::string MessageOf(sqlite3* db)
{
    return FromUtf8(sqlite3_errmsg(db));
}

class SqliteCursor : public Cursor
{
public:
    // maxRows above 0: the cursor ends after that many rows.
    SqliteCursor(std::shared_ptr<SqliteHandle> handle, sqlite3_stmt* stmt, long maxRows)
        : m_handle(std::move(handle)), m_stmt(stmt), m_rowsLeft(maxRows > 0 ? maxRows : -1)
    {
    }
    ~SqliteCursor() override { sqlite3_finalize(m_stmt); }

    // Steps onto the first row; false when the query fails right away.
    bool Start() { return Next(); }

    int FieldCount() const override { return sqlite3_column_count(m_stmt); }

    std::string FieldName(int index) const override
    {
        const char* name = sqlite3_column_name(m_stmt, index);
        return name ? FromUtf8(name) : std::string();
    }

    bool AtEnd() const override { return m_atEnd; }

    bool Next() override
    {
        if (m_atEnd)
            return true;
        if (m_rowsLeft == 0) {
            StopReading();
            return true;
        }
        if (m_rowsLeft > 0)
            --m_rowsLeft;
        int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        m_atEnd = true;
        if (rc == SQLITE_DONE)
            return true;
        m_error = MessageOf(m_handle->db);
        return false;
    }

    bool Read(int index, FieldValue& value) override
    {
        if (m_atEnd) {
            m_error = "no current row";
            return false;
        }
        if (index < 0 || index >= FieldCount()) {
            m_error = "no field at position " + std::to_string(index);
            return false;
        }
        value.text.clear();
        switch (sqlite3_column_type(m_stmt, index)) {
        case SQLITE_NULL:
            value.kind = FieldKind::Null;
            return true;
        case SQLITE_INTEGER:
            value.kind = FieldKind::Integer;
            break;
        case SQLITE_FLOAT:
            value.kind = FieldKind::Real;
            break;
        case SQLITE_BLOB:
            value.kind = FieldKind::Blob;
            value.text.assign(static_cast<const char*>(sqlite3_column_blob(m_stmt, index)),
                              static_cast<size_t>(sqlite3_column_bytes(m_stmt, index)));
            return true;
        default:
            value.kind = FieldKind::Text;
            break;
        }
        auto bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, index));
        size_t length = static_cast<size_t>(sqlite3_column_bytes(m_stmt, index));
        value.text = bytes ? FromUtf8(std::string_view(bytes, length)) : std::string();
        return true;
    }

    // An unfinished statement keeps its read transaction open; in WAL mode
    // a write on this connection after another connection's commit would
    // then fail at once with SQLITE_BUSY, whatever the busy timeout says.
    void StopReading() override
    {
        sqlite3_reset(m_stmt);
        m_atEnd = true;
    }

    const std::string& LastError() const override { return m_error; }

private:
    std::shared_ptr<SqliteHandle> m_handle;
    sqlite3_stmt* m_stmt;
    bool m_atEnd = false;
    long m_rowsLeft; // -1: no limit
    std::string m_error;
};

class SqliteBackend : public Backend
{
public:
    explicit SqliteBackend(std::shared_ptr<SqliteHandle> handle) : m_handle(std::move(handle)) {}

    bool Execute(std::string_view sql, long* affected) override
    {
        sqlite3_stmt* stmt = nullptr;
        if (!PrepareOne(sql, stmt))
            return false;
        long changes = -1;
        if (stmt) {
            int rc;
            while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            }
            bool readOnly = sqlite3_stmt_readonly(stmt);
            sqlite3_finalize(stmt);
            if (rc != SQLITE_DONE)
                return Fail();
            if (!readOnly)
                changes = sqlite3_changes(m_handle->db);
        }
        if (affected)
            *affected = changes;
        return true;
    }

    // Compiles the one statement of `sql` (null for blanks and comments
    // alone). One statement a call: anything but blanks and comments after
    // it is refused before the first one runs. False with the error kept.
    bool PrepareOne(std::string_view sql, sqlite3_stmt*& stmt)
    {
        std::string utf8 = ToUtf8(sql);
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(m_handle->db, utf8.c_str(), -1, &stmt, &tail) != SQLITE_OK)
            return Fail();
        if (IsBlankSql(tail))
            return true;
        sqlite3_finalize(stmt);
        stmt = nullptr;
        m_error = kOneStatementOnly;
        return false;
    }

    // True when `sql` compiles to no statement: blanks, comments, ";".
    bool IsBlankSql(const char* sql)
    {
        while (*sql) {
            sqlite3_stmt* stmt = nullptr;
            if (sqlite3_prepare_v2(m_handle->db, sql, -1, &stmt, &sql) != SQLITE_OK || stmt) {
                sqlite3_finalize(stmt);
                return false;
            }
        }
        return true;
    }

    // SQLite steps the result row by row anyway; the cursor just ends
    // after maxRows rows.
    std::unique_ptr<Cursor> Query(std::string_view sql, long maxRows) override
    {
        sqlite3_stmt* stmt = nullptr;
        if (!PrepareOne(sql, stmt))
            return nullptr;
        if (!stmt) {
            m_error = "the query text holds no statement";
            return nullptr;
        }
        auto cursor = std::make_unique<SqliteCursor>(m_handle, stmt, maxRows);
        if (!cursor->Start()) {
            m_error = cursor->LastError();
            return nullptr;
        }
        return cursor;
    }

    std::optional<long long> LastInsertKey() override
    {
        sqlite3_int64 rowid = sqlite3_last_insert_rowid(m_handle->db);
        if (rowid == 0)
            return std::nullopt;
        return rowid;
    }

    // "immediate" takes the write lock at once (waiting out the busy
    // timeout), so a transaction that reads before it writes never meets a
    // snapshot that another writer has moved on.
    bool Begin() override { return Execute("begin immediate", nullptr); }
    bool Commit() override { return Execute("commit", nullptr); }

    // SQLite may have rolled back by itself (a full disk, an interrupt).
    bool Rollback() override
    {
        return sqlite3_get_autocommit(m_handle->db) || Execute("rollback", nullptr);
    }

    std::string DbmsName() const override { return "SQLite"; }

    // SQLite opens a file it may not write read-only, silently.
    bool IsReadOnly() const override { return sqlite3_db_readonly(m_handle->db, "main") == 1; }

    const std::string& LastError() const override { return m_error; }

private:
    bool Fail()
    {
        m_error = MessageOf(m_handle->db);
        return false;
    }

    std::shared_ptr<SqliteHandle> m_handle;
    std::string m_error;
};

} // namespace

std::unique_ptr<Backend> OpenSqliteBackend(const std::string& path, std::string& error)
{
    auto handle = std::make_shared<SqliteHandle>();
    int rc = sqlite3_open_v2(ToUtf8(path).c_str(), &handle->db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        error = handle->db ? MessageOf(handle->db) : FromUtf8(sqlite3_errstr(rc));
        return nullptr;
    }
    sqlite3_busy_timeout(handle->db, kSqliteBusyTimeoutMs);
    // Switching to WAL also proves the file is a database: a stranger file
    // fails here rather than at the first statement.
    char* message = nullptr;
    if (sqlite3_exec(handle->db, "pragma journal_mode=wal", nullptr, nullptr, &message) !=
        SQLITE_OK) {
        error = message ? FromUtf8(message) : MessageOf(handle->db);
        sqlite3_free(message);
        return nullptr;
    }
    // Every commit reaches the disk before it is answered: a mail the user
    // was told is sent ("邮件已经发送") must survive a power cut. In WAL mode
    // that is one flush of the log per commit; "normal" would sync only at
    // checkpoints and could take the last sends back.
    sqlite3_exec(handle->db, "pragma synchronous=full", nullptr, nullptr, nullptr);
    return std::make_unique<SqliteBackend>(std::move(handle));
}

} // namespace vellum::db
