#include "db/SqlText.h"

#include "db/TextCompare.h"

namespace vellum::db {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '"' || c == '[' || c == ']' || static_cast<unsigned char>(c) >= 0x80;
}

std::string_view SkipBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

// Position of the first " from " (any case, any blanks) in text, or npos.
size_t FindFromKeyword(std::string_view text)
{
    for (size_t i = 1; i + 5 < text.size(); ++i) {
        if (IsBlank(text[i - 1]) && StartsWithIgnoringCase(text.substr(i), "from") &&
            IsBlank(text[i + 4]))
            return i;
    }
    return std::string_view::npos;
}

} // namespace

std::string QuoteSqlText(std::string_view text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += '\'';
        quoted += c;
    }
    quoted += '\'';
    return quoted;
}

std::string TableOfSimpleSelect(std::string_view query)
{
    query = SkipBlanks(query);
    if (!StartsWithIgnoringCase(query, "select") || query.size() < 7 || !IsBlank(query[6]))
        return std::string();
    size_t from = FindFromKeyword(query);
    if (from == std::string_view::npos)
        return std::string();
    std::string_view rest = SkipBlanks(query.substr(from + 4));
    size_t length = 0;
    while (length < rest.size() && IsNameChar(rest[length]))
        ++length;
    std::string_view table = rest.substr(0, length);
    std::string_view after = SkipBlanks(rest.substr(length));
    bool plainTail = after.empty() || StartsWithIgnoringCase(after, "where") ||
                     StartsWithIgnoringCase(after, "order") || after.front() == ';';
    if (table.empty() || !plainTail)
        return std::string();
    return std::string(table);
}

} // namespace vellum::db
