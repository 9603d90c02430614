// ODBC backend over unixODBC's wide-character calls. Every text crosses as
// UTF-16 and is converted from and to the host code page here, so the
// driver manager maps to whatever the driver itself speaks. A result is
// fetched one row at a time; the fields of the current row are read once,
// right after the fetch, because SQLGetData may read each column only once
// and callers read fields by name in any order.
#include "platform/db/OdbcBackend.h"

#include "platform/text/CodePage.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace vellum::db {

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC must use 16-bit SQLWCHAR");

std::u16string Wide(std::string_view hostText)
{
    return text::ToUtf16(hostText);
}

SQLWCHAR* WidePointer(std::u16string& text)
{
    return reinterpret_cast<SQLWCHAR*>(text.data());
}

// Collects every diagnostic record of a handle, one message per line, in
// the host code page.
std::string DiagnosticsOf(SQLSMALLINT type, SQLHANDLE handle)
{
    std::string messages;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6];
        SQLINTEGER native = 0;
        SQLWCHAR message[1024];
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRecW(type, handle, record, state, &native, message,
                                      sizeof(message) / sizeof(message[0]), &length);
        if (!SQL_SUCCEEDED(rc))
            break;
        if (!messages.empty())
            messages += "\n";
        size_t kept = std::min<size_t>(length, sizeof(message) / sizeof(message[0]) - 1);
        messages +=
            text::FromUtf16(std::u16string_view(reinterpret_cast<char16_t*>(message), kept));
    }
    return messages;
}

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
            SQLWCHAR name[256];
            SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            if (!SQL_SUCCEEDED(SQLDescribeColW(Stmt(), i, name, sizeof(name) / sizeof(name[0]),
                                               &nameLength, &type, &size, &digits, &nullable)))
                return FailFromStatement();
            size_t kept = std::min<size_t>(nameLength, sizeof(name) / sizeof(name[0]) - 1);
            m_names.push_back(
                text::FromUtf16(std::u16string_view(reinterpret_cast<char16_t*>(name), kept)));
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
        m_error = DiagnosticsOf(SQL_HANDLE_STMT, Stmt());
        return false;
    }

    bool ReadRow()
    {
        m_row.assign(m_names.size(), FieldValue());
        for (size_t i = 0; i < m_names.size(); ++i) {
            if (!ReadColumn(static_cast<SQLUSMALLINT>(i + 1), m_row[i])) {
                m_atEnd = true;
                return false;
            }
            if (m_row[i].kind != FieldKind::Null)
                m_row[i].kind = m_kinds[i];
        }
        return true;
    }

    // Reads one column as UTF-16 in pieces, since long texts (mail bodies)
    // arrive in several calls.
    bool ReadColumn(SQLUSMALLINT column, FieldValue& value)
    {
        std::u16string wide;
        SQLWCHAR buffer[4096];
        constexpr SQLLEN bufferBytes = sizeof(buffer);
        for (;;) {
            SQLLEN indicator = 0;
            SQLRETURN rc = SQLGetData(Stmt(), column, SQL_C_WCHAR, buffer, bufferBytes, &indicator);
            if (rc == SQL_NO_DATA)
                break;
            if (!SQL_SUCCEEDED(rc))
                return FailFromStatement();
            if (indicator == SQL_NULL_DATA) {
                value.kind = FieldKind::Null;
                return true;
            }
            bool complete = indicator != SQL_NO_TOTAL && indicator < bufferBytes;
            size_t bytes = complete ? static_cast<size_t>(indicator)
                                    : static_cast<size_t>(bufferBytes) - sizeof(SQLWCHAR);
            wide.append(reinterpret_cast<char16_t*>(buffer), bytes / sizeof(SQLWCHAR));
            if (complete || rc == SQL_SUCCESS)
                break;
        }
        value.kind = FieldKind::Text;
        value.text = text::FromUtf16(wide);
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

    std::unique_ptr<Cursor> Query(std::string_view sql) override
    {
        auto statement = Run(sql);
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
        auto cursor = Query(query);
        m_error = keptError;
        FieldValue value;
        if (!cursor || cursor->AtEnd() || !cursor->Read(0, value) || value.kind == FieldKind::Null)
            return std::nullopt;
        long long key = std::atoll(value.text.c_str());
        if (key <= 0)
            return std::nullopt;
        return key;
    }

    std::string DbmsName() const override { return m_dbmsName; }

    const std::string& LastError() const override { return m_error; }

private:
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
    std::unique_ptr<Statement> Run(std::string_view sql)
    {
        auto statement = std::make_unique<Statement>(m_handles->dbc);
        if (statement->Handle() == SQL_NULL_HSTMT) {
            m_error = DiagnosticsOf(SQL_HANDLE_DBC, m_handles->dbc);
            return nullptr;
        }
        std::u16string wide = Wide(sql);
        SQLRETURN rc = SQLExecDirectW(statement->Handle(), WidePointer(wide),
                                      static_cast<SQLINTEGER>(wide.size()));
        // SQL_NO_DATA is an update or delete that matched no row: a success.
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
            m_error = DiagnosticsOf(SQL_HANDLE_STMT, statement->Handle());
            return nullptr;
        }
        return statement;
    }

    std::shared_ptr<OdbcHandles> m_handles;
    std::string m_dbmsName;
    std::string m_error;
};

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
        error = DiagnosticsOf(SQL_HANDLE_ENV, handles->env);
        return nullptr;
    }
    std::u16string wide = Wide(connect);
    SQLRETURN rc = SQLDriverConnectW(handles->dbc, nullptr, WidePointer(wide),
                                     static_cast<SQLSMALLINT>(wide.size()), nullptr, 0, nullptr,
                                     SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        error = DiagnosticsOf(SQL_HANDLE_DBC, handles->dbc);
        return nullptr;
    }
    handles->connected = true;
    std::string dbmsName = DbmsNameOf(handles->dbc);
    return std::make_unique<OdbcBackend>(std::move(handles), std::move(dbmsName));
}

} // namespace vellum::db
