// One database connection as the session layer sees it: an object that
// exists before it is opened, opens from one opaque connection string,
// can be closed and opened again, and keeps the text of its last failure.
//
// "Provider=SQLite;Data Source=PATH" opens the embedded SQLite backend;
// any other string goes unchanged to ODBC. Nothing here throws.
#pragma once

#include "db/Backend.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellum::db {

// One column of a row being added: a name and a text, or SQL NULL.
struct ColumnValue
{
    std::string name;
    std::optional<std::string> value;
};

class Connection
{
public:
    // Opens with the connection string; an open connection is closed first.
    [[nodiscard]] bool Open(std::string_view connect);
    void Close();
    bool IsOpen() const { return m_backend != nullptr; }

    [[nodiscard]] bool Execute(std::string_view sql, long* affected = nullptr);
    // maxRows: see Backend::Query.
    std::unique_ptr<Cursor> Query(std::string_view sql, long maxRows = 0);

    // Adds one row to a table with the given columns (no column: the
    // table's defaults). Texts are written as quoted literals.
    [[nodiscard]] bool InsertRow(std::string_view table, const std::vector<ColumnValue>& columns);

    // A transaction on the connection (see Backend).
    [[nodiscard]] bool Begin();
    [[nodiscard]] bool Commit();
    bool Rollback();

    // The key of the row this connection inserted last, when the database
    // can tell.
    std::optional<long long> LastInsertKey();

    // The DBMS product name, "" while closed.
    std::string DbmsName() const;

    // True when open and the database takes no writes.
    bool IsReadOnly() const;

    // True when open on a server that went away (see Backend::IsLost).
    bool IsLost() const { return m_backend && m_backend->IsLost(); }

    // When on, a connection the server dropped (IsLost) is opened again, with
    // the same string, before the next statement; never inside a transaction,
    // whose statements would otherwise run outside it. The statement that
    // found it lost has failed with its message.
    void ReopenWhenLost(bool on) { m_reopenWhenLost = on; }

    const std::string& LastError() const { return m_error; }

private:
    bool FailNotOpen();
    // Open, or opened again as ReopenWhenLost asks; false with the reason.
    bool Ready();
    bool KeepBackendError();

    std::unique_ptr<Backend> m_backend;
    std::string m_error;
    std::string m_connect;
    bool m_reopenWhenLost = false;
    bool m_reopenPending = false; // a reopen failed: try again next time
    bool m_inTransaction = false;
};

} // namespace vellum::db
