// ODBC backend over unixODBC. Text goes through OdbcText in the encoding the
// connected driver handles (found by a probe right after connecting). A
// result is fetched one row at a time; the fields of the current row are
// read once, right after the fetch, because SQLGetData may read each column
// only once and callers read fields by name in any order.
#include "db/OdbcBackend.h"

#include "db/OdbcText.h"
#include "db/StatementText.h"
#include "platform/text/CodePage.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

namespace vellum::db {

namespace {

FieldKind KindOfSqlType(SQLSMALLINT type)
{
    switch (type) {
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
    case SQL_BIGINT:
    case SQL_BIT:
        return FieldKind::Integer;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return FieldKind::Real;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return FieldKind::Blob;
    default:
        return FieldKind::Text;
    }
}

struct OdbcHandles
{
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    bool connected = false;
    OdbcEncoding encoding = OdbcEncoding::Utf16;

    ~OdbcHandles()
    {
        if (connected)
            SQLDisconnect(dbc);
        if (dbc != SQL_NULL_HDBC)
            SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        if (env != SQL_NULL_HENV)
            SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
};

// A statement handle that frees itself.
class Statement
{
public:
    explicit Statement(SQLHDBC dbc) { SQLAllocHandle(SQL_HANDLE_STMT, dbc, &m_stmt); }
    ~Statement()
    {
        if (m_stmt != SQL_NULL_HSTMT)
            SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    SQLHSTMT Handle() const { return m_stmt; }

private:
    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
};

class OdbcCursor : public Cursor
{
public:
    OdbcCursor(std::shared_ptr<OdbcHandles> handles, std::unique_ptr<Statement> statement)
        : m_handles(std::move(handles)), m_statement(std::move(statement))
    {
    }

    // Describes the columns and fetches the first row.
    bool Start()
    {
        SQLSMALLINT columns = 0;
        if (!SQL_SUCCEEDED(SQLNumResultCols(Stmt(), &columns)))
            return FailFromStatement();
        if (columns == 0) {
            m_error = "the statement returned no result";
            return false;
        }
        for (SQLSMALLINT i = 1; i <= columns; ++i) {
            std::string name;
            SQLSMALLINT type = 0;
            if (!OdbcDescribeColumn(Stmt(), m_handles->encoding, static_cast<SQLUSMALLINT>(i), name,
                                    type))
                return FailFromStatement();
            m_names.push_back(std::move(name));
            m_kinds.push_back(KindOfSqlType(type));
        }
        return Next();
    }

    int FieldCount() const override { return static_cast<int>(m_names.size()); }

    std::string FieldName(int index) const override
    {
        return index >= 0 && index < FieldCount() ? m_names[static_cast<size_t>(index)]
                                                  : std::string();
    }

    bool AtEnd() const override { return m_atEnd; }

    bool Next() override
    {
        if (m_atEnd)
            return true;
        SQLRETURN rc = SQLFetch(Stmt());
        if (rc == SQL_NO_DATA) {
            m_atEnd = true;
            return true;
        }
        if (!SQL_SUCCEEDED(rc)) {
            m_atEnd = true;
            return FailFromStatement();
        }
        return ReadRow();
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
        value = m_row[static_cast<size_t>(index)];
        return true;
    }

    const std::string& LastError() const override { return m_error; }

private:
    SQLHSTMT Stmt() const { return m_statement->Handle(); }

    bool FailFromStatement()
    {
        m_error = OdbcDiagnostics(SQL_HANDLE_STMT, Stmt());
        return false;
    }

    bool ReadRow()
    {
        m_row.assign(m_names.size(), FieldValue());
        for (size_t i = 0; i < m_names.size(); ++i) {
            bool isNull = false;
            SQLRETURN rc = OdbcReadText(Stmt(), m_handles->encoding,
                                        static_cast<SQLUSMALLINT>(i + 1), m_row[i].text, isNull);
            if (!SQL_SUCCEEDED(rc)) {
                m_atEnd = true;
                return FailFromStatement();
            }
            m_row[i].kind = isNull ? FieldKind::Null : m_kinds[i];
        }
        return true;
    }

    std::shared_ptr<OdbcHandles> m_handles;
    std::unique_ptr<Statement> m_statement;
    std::vector<std::string> m_names;
    std::vector<FieldKind> m_kinds;
    std::vector<FieldValue> m_row;
    bool m_atEnd = false;
    std::string m_error;
};

class OdbcBackend : public Backend
{
public:
    OdbcBackend(std::shared_ptr<OdbcHandles> handles, std::string dbmsName)
        : m_handles(std::move(handles)), m_dbmsName(std::move(dbmsName))
    {
    }

    bool Execute(std::string_view sql, long* affected) override
    {
        auto statement = Run(sql);
        if (!statement)
            return false;
        if (affected) {
            SQLLEN rows = -1;
            if (!SQL_SUCCEEDED(SQLRowCount(statement->Handle(), &rows)))
                rows = -1;
            *affected = static_cast<long>(rows);
        }
        return true;
    }

    std::unique_ptr<Cursor> Query(std::string_view sql, long maxRows) override
    {
        auto statement = Run(maxRows > 0 ? LimitedSelect(sql, maxRows) : std::string(sql));
        if (!statement)
            return nullptr;
        auto cursor = std::make_unique<OdbcCursor>(m_handles, std::move(statement));
        if (!cursor->Start()) {
            m_error = cursor->LastError();
            return nullptr;
        }
        return cursor;
    }

    std::optional<long long> LastInsertKey() override
    {
        const char* query = IdentityQuery();
        if (!query)
            return std::nullopt;
        // A failed identity query is not the caller's error: keep the text
        // of the statement that really failed last.
        std::string keptError = m_error;
        auto cursor = Query(query, 0);
        m_error = keptError;
        FieldValue value;
        if (!cursor || cursor->AtEnd() || !cursor->Read(0, value) || value.kind == FieldKind::Null)
            return std::nullopt;
        long long key = std::atoll(value.text.c_str());
        if (key <= 0)
            return std::nullopt;
        return key;
    }

    // ODBC has no "begin": switching autocommit off starts a transaction
    // with the next statement, and ending it switches autocommit back on.
    bool Begin() override { return SetAutocommit(SQL_AUTOCOMMIT_OFF); }
    bool Commit() override { return EndTransaction(SQL_COMMIT); }
    bool Rollback() override { return EndTransaction(SQL_ROLLBACK); }

    std::string DbmsName() const override { return m_dbmsName; }

    bool IsReadOnly() const override
    {
        SQLCHAR answer[4] = {};
        SQLSMALLINT length = 0;
        return SQL_SUCCEEDED(SQLGetInfo(m_handles->dbc, SQL_DATA_SOURCE_READ_ONLY, answer,
                                        sizeof answer, &length)) &&
               answer[0] == 'Y';
    }

    // The driver learns of a dead connection when a call on it fails, so
    // this answers after such a failure, not before.
    bool IsLost() const override
    {
        SQLUINTEGER dead = SQL_CD_FALSE;
        return SQL_SUCCEEDED(SQLGetConnectAttr(m_handles->dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0,
                                               nullptr)) &&
               dead == SQL_CD_TRUE;
    }

    const std::string& LastError() const override { return m_error; }

private:
    bool SetAutocommit(SQLULEN mode)
    {
        SQLRETURN rc = SQLSetConnectAttr(m_handles->dbc, SQL_ATTR_AUTOCOMMIT,
                                         reinterpret_cast<SQLPOINTER>(mode), SQL_IS_UINTEGER);
        if (SQL_SUCCEEDED(rc))
            return true;
        m_error = OdbcDiagnostics(SQL_HANDLE_DBC, m_handles->dbc);
        return false;
    }

    // Autocommit comes back on even when the end fails, so that the
    // connection never stays in a transaction nobody will end.
    bool EndTransaction(SQLSMALLINT completion)
    {
        bool ended = SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, m_handles->dbc, completion));
        if (!ended)
            m_error = OdbcDiagnostics(SQL_HANDLE_DBC, m_handles->dbc);
        std::string endError = m_error;
        bool restored = SetAutocommit(SQL_AUTOCOMMIT_ON);
        if (!ended)
            m_error = endError;
        return ended && restored;
    }

    // psqlODBC (like most drivers) reads a whole result before the first
    // fetch: an inbox of 100,000 notices would cross the wire to show 200.
    // Where the dialect knows "limit", a plain select that has none asks the
    // server for the rows the caller will read and no more.
    std::string LimitedSelect(std::string_view sql, long maxRows) const
    {
        bool knowsLimit = m_dbmsName.find("PostgreSQL") != std::string::npos ||
                          m_dbmsName.find("SQLite") != std::string::npos ||
                          m_dbmsName.find("MySQL") != std::string::npos ||
                          m_dbmsName.find("MariaDB") != std::string::npos;
        std::string lowered(sql);
        for (char& c : lowered)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        size_t start = lowered.find_first_not_of(" \t\r\n");
        bool plainSelect = start != std::string::npos &&
                           lowered.compare(start, 7, "select ") == 0 &&
                           lowered.find(';') == std::string::npos &&
                           lowered.find(" limit ") == std::string::npos &&
                           lowered.find(" for update") == std::string::npos;
        if (!knowsLimit || !plainSelect)
            return std::string(sql);
        return std::string(sql) + " limit " + std::to_string(maxRows);
    }

    // The statement that asks the DBMS for this connection's last identity.
    const char* IdentityQuery() const
    {
        if (m_dbmsName.find("PostgreSQL") != std::string::npos)
            return "select lastval()";
        // SCOPE_IDENTITY() is empty in a batch of its own, which is what a
        // separate statement is; @@IDENTITY then still names this session's row.
        if (m_dbmsName.find("SQL Server") != std::string::npos)
            return "select coalesce(scope_identity(), @@identity)";
        if (m_dbmsName.find("MySQL") != std::string::npos ||
            m_dbmsName.find("MariaDB") != std::string::npos)
            return "select last_insert_id()";
        if (m_dbmsName.find("SQLite") != std::string::npos)
            return "select last_insert_rowid()";
        return nullptr;
    }

    // Runs a statement directly; null with the error kept when it fails.
    // A text that holds a second statement is refused before it is sent.
    std::unique_ptr<Statement> Run(std::string_view sql)
    {
        if (!HoldsOneStatement(sql, DialectOfDbms(m_dbmsName))) {
            m_error = kOneStatementOnly;
            return nullptr;
        }
        auto statement = std::make_unique<Statement>(m_handles->dbc);
        if (statement->Handle() == SQL_NULL_HSTMT) {
            m_error = OdbcDiagnostics(SQL_HANDLE_DBC, m_handles->dbc);
            return nullptr;
        }
        SQLRETURN rc = OdbcExecDirect(statement->Handle(), m_handles->encoding, sql);
        // SQL_NO_DATA is an update or delete that matched no row: a success.
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
            m_error = OdbcDiagnostics(SQL_HANDLE_STMT, statement->Handle());
            return nullptr;
        }
        return statement;
    }

    std::shared_ptr<OdbcHandles> m_handles;
    std::string m_dbmsName;
    std::string m_error;
};

// A doubled quote must be the only escape in a literal, as the statement
// builders quote: MySQL and MariaDB otherwise read a backslash before the
// closing quote as an escape, and PostgreSQL without
// standard_conforming_strings does the same. False, with the reason, when
// the session cannot be made so.
bool SetUpQuoting(Backend& backend, std::string& error)
{
    SqlDialect dialect = DialectOfDbms(backend.DbmsName());
    if (dialect == SqlDialect::MySql &&
        !backend.Execute("set session sql_mode = concat(@@session.sql_mode, "
                         "',NO_BACKSLASH_ESCAPES')",
                         nullptr)) {
        error = backend.LastError();
        return false;
    }
    if (dialect != SqlDialect::Postgres)
        return true;
    auto cursor = backend.Query("show standard_conforming_strings", 0);
    FieldValue value;
    if (cursor && !cursor->AtEnd() && cursor->Read(0, value) && value.text == "on")
        return true;
    error = "the PostgreSQL server reads backslashes in literals as escapes "
            "(standard_conforming_strings is off); Vellum needs it on";
    return false;
}

std::string DbmsNameOf(SQLHDBC dbc)
{
    SQLWCHAR name[128];
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(dbc, SQL_DBMS_NAME, name, sizeof(name), &length)))
        return std::string();
    size_t chars = std::min<size_t>(static_cast<size_t>(length) / sizeof(SQLWCHAR),
                                    sizeof(name) / sizeof(name[0]) - 1);
    return text::FromUtf16(std::u16string_view(reinterpret_cast<char16_t*>(name), chars));
}

} // namespace

std::unique_ptr<Backend> OpenOdbcBackend(const std::string& connect, std::string& error)
{
    auto handles = std::make_shared<OdbcHandles>();
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handles->env))) {
        error = "the ODBC driver manager cannot allocate an environment";
        return nullptr;
    }
    SQLSetEnvAttr(handles->env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                  0);
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, handles->env, &handles->dbc))) {
        error = OdbcDiagnostics(SQL_HANDLE_ENV, handles->env);
        return nullptr;
    }
    std::u16string wide = text::ToUtf16(connect);
    SQLRETURN rc = SQLDriverConnectW(
        handles->dbc, nullptr, reinterpret_cast<SQLWCHAR*>(wide.data()),
        static_cast<SQLSMALLINT>(wide.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        error = OdbcDiagnostics(SQL_HANDLE_DBC, handles->dbc);
        return nullptr;
    }
    handles->connected = true;
    handles->encoding = ProbeOdbcEncoding(handles->dbc);
    std::string dbmsName = DbmsNameOf(handles->dbc);
    auto backend = std::make_unique<OdbcBackend>(std::move(handles), std::move(dbmsName));
    if (!SetUpQuoting(*backend, error))
        return nullptr;
    return backend;
}

} // namespace vellum::db
