// libpq under the change listener. The connection speaks UTF-8; texts are
// converted at this edge like every backend's. Queries go with their texts
// as parameters, so nothing a user typed is ever spliced into SQL here.
#include "db/ChangeListener.h"

#include "db/ConnectionString.h"
#include "platform/text/CodePage.h"

#include <libpq-fe.h>

namespace vellum::db {

namespace {

using text::FromUtf8;
using text::ToUtf8;

// ODBC item names (any case) and the libpq keyword each becomes.
struct ItemName
{
    const char* odbc;
    const char* libpq;
};

constexpr ItemName kItems[] = {
    {"Server", "host"},  {"Servername", "host"},   {"Host", "host"},
    {"Port", "port"},    {"Database", "dbname"},   {"DB", "dbname"},
    {"Uid", "user"},     {"User", "user"},         {"Username", "user"},
    {"Pwd", "password"}, {"Password", "password"}, {"SSLmode", "sslmode"},
};

// An ODBC value without the braces that let it hold a ";".
std::string_view Unbraced(std::string_view value)
{
    if (value.size() >= 2 && value.front() == '{' && value.back() == '}')
        value = value.substr(1, value.size() - 2);
    return value;
}

// A libpq value in single quotes, with quote and backslash escaped.
std::string ConninfoValue(std::string_view value)
{
    std::string quoted = "'";
    for (char c : Unbraced(value)) {
        if (c == '\'' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "'";
}

std::string QuotedIdentifier(std::string_view name)
{
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace

std::optional<std::string> LibpqConninfoOf(std::string_view odbcConnect)
{
    if (IsSqliteConnectionString(odbcConnect) || !ConnectionStringValue(odbcConnect, "Server"))
        return std::nullopt;
    std::string conninfo;
    std::string taken; // libpq keywords already given: the first item wins
    for (const ItemName& item : kItems) {
        auto value = ConnectionStringValue(odbcConnect, item.odbc);
        std::string keyword = std::string(" ") + item.libpq + " ";
        if (!value || value->empty() || taken.find(keyword) != std::string::npos)
            continue;
        taken += keyword;
        conninfo += std::string(conninfo.empty() ? "" : " ") + item.libpq + "=" +
                    ConninfoValue(ToUtf8(*value));
    }
    // psqlODBC passes the libpq settings of "pqopt" on as they are (the CA
    // file of a verified TLS connection comes this way): so does the
    // listener, before its own settings, which must stay.
    if (auto options = ConnectionStringValue(odbcConnect, "pqopt"))
        conninfo += " " + ToUtf8(Unbraced(*options));
    return conninfo + " client_encoding='UTF8' application_name='vellum watch'";
}

struct ChangeListener::Handle
{
    PGconn* connection = nullptr;
    ~Handle() { PQfinish(connection); }
};

ChangeListener::ChangeListener() = default;
ChangeListener::~ChangeListener() = default;

bool ChangeListener::Open(std::string_view odbcConnect)
{
    m_handle.reset();
    m_connect = std::string(odbcConnect);
    auto conninfo = LibpqConninfoOf(odbcConnect);
    if (!conninfo)
        return Fail("the connection string names no PostgreSQL server to listen to");
    auto handle = std::make_unique<Handle>();
    handle->connection = PQconnectdb(conninfo->c_str());
    if (PQstatus(handle->connection) != CONNECTION_OK)
        return Fail(PQerrorMessage(handle->connection));
    PQsetnonblocking(handle->connection, 0);
    m_handle = std::move(handle);
    return true;
}

bool ChangeListener::IsOpen() const
{
    return m_handle && PQstatus(m_handle->connection) == CONNECTION_OK;
}

bool ChangeListener::Listen(std::string_view channel)
{
    if (!IsOpen())
        return Fail("the listener is not connected");
    std::string sql = "listen " + QuotedIdentifier(ToUtf8(channel));
    PGresult* result = PQexec(m_handle->connection, sql.c_str());
    bool listening = PQresultStatus(result) == PGRES_COMMAND_OK;
    PQclear(result);
    return listening || Fail(PQerrorMessage(m_handle->connection));
}

bool ChangeListener::Query(std::string_view sql, const std::vector<std::string>& parameters,
                           std::vector<std::optional<std::string>>& row)
{
    row.clear();
    if (!IsOpen())
        return Fail("the listener is not connected");
    std::vector<std::string> texts;
    for (const std::string& parameter : parameters)
        texts.push_back(ToUtf8(parameter));
    std::vector<const char*> values;
    for (const std::string& text : texts)
        values.push_back(text.c_str());
    PGresult* result =
        PQexecParams(m_handle->connection, ToUtf8(sql).c_str(), static_cast<int>(values.size()),
                     nullptr, values.data(), nullptr, nullptr, 0);
    bool found = PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) > 0;
    if (found) {
        for (int field = 0; field < PQnfields(result); ++field) {
            if (PQgetisnull(result, 0, field))
                row.emplace_back();
            else
                row.emplace_back(FromUtf8(PQgetvalue(result, 0, field)));
        }
    }
    std::string error = PQresultStatus(result) == PGRES_TUPLES_OK
                            ? "the query returned no row"
                            : PQerrorMessage(m_handle->connection);
    PQclear(result);
    return found || Fail(error);
}

int ChangeListener::SocketDescriptor() const
{
    return m_handle ? PQsocket(m_handle->connection) : -1;
}

bool ChangeListener::TakeNotices(int& count)
{
    count = 0;
    if (!m_handle)
        return Fail("the listener is not connected");
    if (!PQconsumeInput(m_handle->connection) || PQstatus(m_handle->connection) != CONNECTION_OK)
        return Fail(PQerrorMessage(m_handle->connection));
    while (PGnotify* notice = PQnotifies(m_handle->connection)) {
        ++count;
        PQfreemem(notice);
    }
    return true;
}

bool ChangeListener::Fail(std::string message)
{
    m_error = HidingPasswordsOf(m_connect, FromUtf8(message));
    while (!m_error.empty() && (m_error.back() == '\n' || m_error.back() == '\r'))
        m_error.pop_back();
    return false;
}

} // namespace vellum::db
