// Connection string items are scanned by hand: the strings are short and
// come from the host, so a malformed one must simply not match.
#include "db/ConnectionString.h"

#include "db/TextCompare.h"

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

constexpr std::string_view kHidden = "***";

bool IsPasswordName(std::string_view name)
{
    return EqualsIgnoringCase(name, "Pwd") || EqualsIgnoringCase(name, "Password");
}

// Where the item that starts at itemStart ends: at the next ";", unless its
// value is braced ("Pwd={a;b}"), which ODBC lets hold a ";".
size_t ItemEnd(std::string_view connect, size_t itemStart)
{
    size_t equals = connect.find('=', itemStart);
    size_t semicolon = connect.find(';', itemStart);
    if (equals != std::string_view::npos && equals < semicolon) {
        size_t value = connect.find_first_not_of(" \t", equals + 1);
        if (value != std::string_view::npos && connect[value] == '{') {
            size_t close = connect.find('}', value);
            if (close != std::string_view::npos)
                semicolon = connect.find(';', close);
        }
    }
    return semicolon == std::string_view::npos ? connect.size() : semicolon;
}

// Calls found(start, length) for the value of every password item, in order.
template <typename Found> void ForEachPasswordValue(std::string_view connect, Found found)
{
    size_t itemStart = 0;
    while (itemStart < connect.size()) {
        size_t end = ItemEnd(connect, itemStart);
        std::string_view item = connect.substr(itemStart, end - itemStart);
        size_t equals = item.find('=');
        if (equals != std::string_view::npos && IsPasswordName(Trim(item.substr(0, equals))))
            found(itemStart + equals + 1, item.size() - equals - 1);
        itemStart = end + 1;
    }
}

} // namespace

std::string WithoutPassword(std::string_view connect)
{
    std::string hidden;
    size_t copied = 0;
    ForEachPasswordValue(connect, [&](size_t start, size_t length) {
        hidden.append(connect.substr(copied, start - copied));
        hidden.append(kHidden);
        copied = start + length;
    });
    hidden.append(connect.substr(copied));
    return hidden;
}

void MaskPasswordsInPlace(char* connect)
{
    std::string_view text(connect);
    ForEachPasswordValue(text, [&](size_t start, size_t length) {
        for (size_t at = start; at < start + length; ++at)
            connect[at] = '*';
    });
}

std::string HidingPasswordsOf(std::string_view connect, std::string text)
{
    ForEachPasswordValue(connect, [&](size_t start, size_t length) {
        std::string_view value = Trim(connect.substr(start, length));
        if (value.empty())
            return;
        for (size_t at = text.find(value); at != std::string::npos;
             at = text.find(value, at + kHidden.size()))
            text.replace(at, value.size(), kHidden);
    });
    return text;
}

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
