#include "db/OdbcText.h"

#include "platform/text/CodePage.h"

#include <algorithm>

namespace vellum::db {

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC must use 16-bit SQLWCHAR");

std::string HostFromWide(const SQLWCHAR* text, size_t length)
{
    return text::FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

// Appends what one SQLGetData call delivered; true when the value is
// complete. A full buffer ends in a terminator that is not part of it.
bool TakePiece(SQLRETURN rc, SQLLEN indicator, SQLLEN bufferBytes, size_t unit, const char* buffer,
               std::string& bytes)
{
    bool complete = indicator != SQL_NO_TOTAL && indicator < bufferBytes;
    size_t length =
        complete ? static_cast<size_t>(indicator) : static_cast<size_t>(bufferBytes) - unit;
    bytes.append(buffer, length - length % unit);
    return complete || rc == SQL_SUCCESS;
}

// The column's verbose type (SQL_DESC_TYPE), which tells numbers, text and
// bytes apart as the concise one does. Asking for the concise type instead,
// through SQLDescribeCol or SQLColAttribute, makes psqlODBC look the table's
// columns up in the catalog: one more query, and the slowest, for every
// result a short-lived process reads.
bool DescribeColumnType(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT& type)
{
    SQLLEN value = 0;
    if (!SQL_SUCCEEDED(SQLColAttribute(stmt, column, SQL_DESC_TYPE, nullptr, 0, nullptr, &value)))
        return false;
    type = static_cast<SQLSMALLINT>(value);
    return true;
}

} // namespace

SQLRETURN OdbcExecDirect(SQLHSTMT stmt, OdbcEncoding encoding, std::string_view hostSql)
{
    if (encoding == OdbcEncoding::Utf8) {
        std::string utf8 = text::ToUtf8(hostSql);
        return SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(utf8.data()),
                             static_cast<SQLINTEGER>(utf8.size()));
    }
    std::u16string wide = text::ToUtf16(hostSql);
    return SQLExecDirectW(stmt, reinterpret_cast<SQLWCHAR*>(wide.data()),
                          static_cast<SQLINTEGER>(wide.size()));
}

bool OdbcDescribeColumn(SQLHSTMT stmt, OdbcEncoding encoding, SQLUSMALLINT column,
                        std::string& name, SQLSMALLINT& type)
{
    SQLSMALLINT length = 0;
    if (encoding == OdbcEncoding::Utf8) {
        SQLCHAR buffer[512];
        if (!SQL_SUCCEEDED(SQLDescribeCol(stmt, column, buffer, sizeof(buffer), &length, nullptr,
                                          nullptr, nullptr, nullptr)))
            return false;
        size_t kept = std::min<size_t>(static_cast<size_t>(length), sizeof(buffer) - 1);
        name = text::FromUtf8(std::string_view(reinterpret_cast<char*>(buffer), kept));
        return DescribeColumnType(stmt, column, type);
    }
    SQLWCHAR buffer[256];
    constexpr SQLSMALLINT capacity = sizeof(buffer) / sizeof(buffer[0]);
    if (!SQL_SUCCEEDED(SQLDescribeColW(stmt, column, buffer, capacity, &length, nullptr, nullptr,
                                       nullptr, nullptr)))
        return false;
    name = HostFromWide(buffer, std::min<size_t>(static_cast<size_t>(length), capacity - 1));
    return DescribeColumnType(stmt, column, type);
}

SQLRETURN OdbcReadText(SQLHSTMT stmt, OdbcEncoding encoding, SQLUSMALLINT column, std::string& text,
                       bool& isNull)
{
    bool wide = encoding == OdbcEncoding::Utf16;
    SQLSMALLINT type = wide ? SQL_C_WCHAR : SQL_C_CHAR;
    size_t unit = wide ? sizeof(SQLWCHAR) : 1;
    std::string bytes;
    isNull = false;
    alignas(SQLWCHAR) char buffer[8192];
    constexpr SQLLEN bufferBytes = sizeof(buffer);
    for (;;) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(stmt, column, type, buffer, bufferBytes, &indicator);
        if (rc == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(rc))
            return rc;
        if (indicator == SQL_NULL_DATA) {
            isNull = true;
            text.clear();
            return SQL_SUCCESS;
        }
        if (TakePiece(rc, indicator, bufferBytes, unit, buffer, bytes))
            break;
    }
    if (wide)
        text = HostFromWide(reinterpret_cast<const SQLWCHAR*>(bytes.data()), bytes.size() / unit);
    else
        text = text::FromUtf8(bytes);
    return SQL_SUCCESS;
}

std::string OdbcDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle)
{
    std::string messages;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6];
        SQLINTEGER native = 0;
        SQLWCHAR message[1024];
        constexpr SQLSMALLINT capacity = sizeof(message) / sizeof(message[0]);
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRecW(handleType, handle, record, state, &native, message,
                                          capacity, &length)))
            break;
        if (!messages.empty())
            messages += "\n";
        messages +=
            HostFromWide(message, std::min<size_t>(static_cast<size_t>(length), capacity - 1));
    }
    return messages;
}

OdbcEncoding ProbeOdbcEncoding(SQLHDBC dbc)
{
    // U+4E2D survives only a real UTF-16 path: a narrowing driver manager
    // keeps one byte of it.
    const std::u16string probe = u"select '\u4E2D'";
    const std::string expected = "\xe4\xb8\xad";
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt)))
        return OdbcEncoding::Utf16;
    std::u16string sql = probe;
    // A DBMS that rejects the probe itself is left on the standard wide path.
    bool wideWorks = true;
    if (SQL_SUCCEEDED(SQLExecDirectW(stmt, reinterpret_cast<SQLWCHAR*>(sql.data()),
                                     static_cast<SQLINTEGER>(sql.size()))) &&
        SQL_SUCCEEDED(SQLFetch(stmt))) {
        wideWorks = false;
        SQLWCHAR value[8] = {};
        SQLLEN indicator = 0;
        if (SQL_SUCCEEDED(SQLGetData(stmt, 1, SQL_C_WCHAR, value, sizeof(value), &indicator)) &&
            indicator == static_cast<SQLLEN>(sizeof(SQLWCHAR)))
            wideWorks = text::Utf16ToUtf8(std::u16string_view(
                            reinterpret_cast<const char16_t*>(value), 1)) == expected;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return wideWorks ? OdbcEncoding::Utf16 : OdbcEncoding::Utf8;
}

} // namespace vellum::db
