// Connection string items are scanned by hand: the strings are short and
// come from the host, so a malformed one must simply not match.
#include "platform/db/ConnectionString.h"

#include "platform/db/TextCompare.h"

namespace vellum::db {

namespace {

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<std::string> ConnectionStringValue(std::string_view connect, std::string_view name)
{
    while (!connect.empty()) {
        size_t end = connect.find(';');
        std::string_view item = connect.substr(0, end);
        connect = end == std::string_view::npos ? std::string_view() : connect.substr(end + 1);
        size_t equals = item.find('=');
        if (equals == std::string_view::npos)
            continue;
        if (EqualsIgnoringCase(Trim(item.substr(0, equals)), name))
            return std::string(Trim(item.substr(equals + 1)));
    }
    return std::nullopt;
}

bool IsSqliteConnectionString(std::string_view connect)
{
    auto provider = ConnectionStringValue(connect, "Provider");
    return provider && EqualsIgnoringCase(*provider, "SQLite");
}

} // namespace vellum::db
