// CDbSession: one connection to the host's database.
//
// The host constructs, opens and owns sessions and lends them to the folder
// views; the dialog entry points open their own. Statements are SQL text in
// the host code page. No failure escapes as an exception: each operation
// returns 1 or 0 and keeps the reason as the last error text.
//
// State: -1 after construction (no connection object yet), 0 once the
// connection object exists but is not open (also after Close), 1 open.
#pragma once

#include <memory>
#include <string>

namespace vellum::db {
class Connection;
}

class CDbSession
{
public:
    CDbSession();
    virtual ~CDbSession();
    CDbSession(const CDbSession&) = delete;
    CDbSession& operator=(const CDbSession&) = delete;

    // Opens the connection; 1 on success, 0 with the database's message.
    [[nodiscard]] int Open(const char* connect);

    // Runs a statement, discarding any rows it returns. affected receives the
    // row count the database reports. options is the command type of the
    // original interface (1: SQL text); every statement here is SQL text.
    [[nodiscard]] int Execute(const char* sql, long* affected = nullptr, long options = 1);

    // A transaction, as ADO's connection has one: after BeginTrans no
    // statement commits alone until CommitTrans or RollbackTrans. Each is 1,
    // or 0 with the database's message. The module's statements otherwise
    // commit one by one; a send is the one place that groups them.
    [[nodiscard]] int BeginTrans();
    [[nodiscard]] int CommitTrans();
    int RollbackTrans();

    // Closes an open connection; always 1.
    int Close();

    // The key of the row this session inserted last: the database's own
    // identity for this connection, so concurrent writers never take each
    // other's keys. Ask right after the insert. -1, with the last error
    // text, when the database cannot tell (never a guess such as the
    // table's highest key).
    [[nodiscard]] int GetLastInsertKeyId(const char* table);

    // The DBMS product name ("SQLite", "PostgreSQL", ...), "" unless open.
    std::string GetDbmsName() const;

    // True when open on a database that takes no writes (a read-only file),
    // so a host can say so before anyone tries to save.
    bool IsReadOnly() const;

    // True when the database server went away under the open connection, as
    // a statement that just failed found; Open with the same string then
    // connects again.
    bool IsLost() const;

    const std::string& GetLastErrorText() const { return m_lastError; }
    int GetState() const { return m_state; }
    const std::string& GetConnectString() const { return m_connectString; }

    // When on, a failed Open also appends its error text to the trace log.
    void SetTrace(int on) { m_trace = on; }
    int GetTrace() const { return m_trace; }

    // When on, a connection the server dropped is opened again before the
    // next statement (outside a transaction): the statement that found it
    // lost fails with its message, the next runs. For sessions that nothing
    // else watches, such as a dialog's own.
    void SetReopenWhenLost(int on);

    // When on, destroying the session closes the connection first.
    void SetCloseOnDestroy(int on) { m_closeOnDestroy = on; }
    int GetCloseOnDestroy() const { return m_closeOnDestroy; }

private:
    friend class CDbRecordset;

    // Runs one transaction step, keeping the connection's message on failure.
    int RunOnConnection(bool (vellum::db::Connection::*step)());

    std::shared_ptr<vellum::db::Connection> m_connection;
    int m_state = -1;
    std::string m_connectString;
    std::string m_lastError;
    int m_trace = 0;
    int m_closeOnDestroy = 0;
    bool m_reopenWhenLost = false;
};
