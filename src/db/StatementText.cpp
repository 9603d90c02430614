// A small scanner over statement text: it steps over one piece at a time (a
// literal, a quoted name, a comment, a blank run or one other character),
// which is all it takes to find the ";" that ends a statement outside
// quotes. An unterminated literal or comment runs to the end of the text,
// as the databases read it.
#include "db/StatementText.h"

#include <sqlite3.h>

#include <cctype>

namespace vellum::db {
namespace {

enum class PieceKind { Blank, Comment, Literal, QuotedName, Semicolon, Other };

struct Piece
{
    PieceKind kind;
    size_t end;        // one past the piece's last byte
    std::string value; // a literal's value
};

bool Contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

class SqlScanner
{
public:
    SqlScanner(std::string_view sql, SqlDialect dialect) : m_sql(sql), m_dialect(dialect) {}

    Piece Next(size_t at) const
    {
        char c = m_sql[at];
        if (std::isspace(static_cast<unsigned char>(c)))
            return Blanks(at);
        if (c == ';')
            return {PieceKind::Semicolon, at + 1, {}};
        if (StartsAt(at, "--") || (m_dialect == SqlDialect::MySql && c == '#'))
            return LineComment(at);
        if (StartsAt(at, "/*"))
            return BlockComment(at);
        if (c == '\'')
            return Quoted(at, '\'', PieceKind::Literal, false);
        if (m_dialect == SqlDialect::Postgres && (c == 'E' || c == 'e') && At(at + 1) == '\'' &&
            !IsWordChar(At(at - 1)))
            return Quoted(at + 1, '\'', PieceKind::Literal, true);
        if (c == '$' && m_dialect == SqlDialect::Postgres && !IsWordChar(At(at - 1)))
            if (auto dollar = DollarQuoted(at); dollar.end != 0)
                return dollar;
        if (c == '"')
            return Quoted(
                at, '"',
                m_dialect == SqlDialect::MySql ? PieceKind::Literal : PieceKind::QuotedName, false);
        if (c == '`' && (m_dialect == SqlDialect::MySql || m_dialect == SqlDialect::Sqlite))
            return Quoted(at, '`', PieceKind::QuotedName, false);
        if (c == '[' && (m_dialect == SqlDialect::SqlServer || m_dialect == SqlDialect::Sqlite))
            return Bracketed(at);
        return {PieceKind::Other, at + 1, {}};
    }

private:
    char At(size_t at) const { return at < m_sql.size() ? m_sql[at] : '\0'; }
    bool StartsAt(size_t at, std::string_view text) const
    {
        return m_sql.substr(at, text.size()) == text;
    }
    static bool IsWordChar(char c)
    {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' ||
               static_cast<unsigned char>(c) >= 0x80;
    }

    Piece Blanks(size_t at) const
    {
        while (at < m_sql.size() && std::isspace(static_cast<unsigned char>(m_sql[at])))
            ++at;
        return {PieceKind::Blank, at, {}};
    }

    Piece LineComment(size_t at) const
    {
        size_t end = m_sql.find('\n', at);
        return {PieceKind::Comment, end == std::string_view::npos ? m_sql.size() : end + 1, {}};
    }

    // PostgreSQL nests block comments; the others end at the first "*/".
    Piece BlockComment(size_t at) const
    {
        int depth = 0;
        size_t i = at;
        while (i < m_sql.size()) {
            if (StartsAt(i, "/*") && (depth == 0 || m_dialect == SqlDialect::Postgres)) {
                ++depth;
                i += 2;
            } else if (StartsAt(i, "*/")) {
                i += 2;
                if (--depth == 0)
                    return {PieceKind::Comment, i, {}};
            } else {
                ++i;
            }
        }
        return {PieceKind::Comment, m_sql.size(), {}};
    }

    // A quoted piece in which the quote doubled stands for itself (and, for
    // PostgreSQL's E'' strings, a backslash takes the next byte as it is).
    Piece Quoted(size_t at, char quote, PieceKind kind, bool backslashes) const
    {
        std::string value;
        size_t i = at + 1;
        while (i < m_sql.size()) {
            char c = m_sql[i];
            if (backslashes && c == '\\' && i + 1 < m_sql.size()) {
                value += m_sql[i + 1];
                i += 2;
                continue;
            }
            if (c == quote) {
                if (At(i + 1) != quote)
                    return {kind, i + 1, value};
                i += 2;
                value += quote;
                continue;
            }
            value += c;
            ++i;
        }
        return {kind, m_sql.size(), value};
    }

    Piece Bracketed(size_t at) const
    {
        size_t end = m_sql.find(']', at);
        return {PieceKind::QuotedName, end == std::string_view::npos ? m_sql.size() : end + 1, {}};
    }

    // $tag$ ... $tag$; end 0 when "$" starts no quote here (a parameter $1).
    Piece DollarQuoted(size_t at) const
    {
        if (std::isdigit(static_cast<unsigned char>(At(at + 1))))
            return {PieceKind::Other, 0, {}};
        size_t tagEnd = at + 1;
        while (tagEnd < m_sql.size() && IsWordChar(m_sql[tagEnd]))
            ++tagEnd;
        if (At(tagEnd) != '$')
            return {PieceKind::Other, 0, {}};
        std::string_view tag = m_sql.substr(at, tagEnd + 1 - at);
        size_t close = m_sql.find(tag, tagEnd + 1);
        if (close == std::string_view::npos)
            return {PieceKind::Literal, m_sql.size(), std::string(m_sql.substr(tagEnd + 1))};
        return {PieceKind::Literal, close + tag.size(),
                std::string(m_sql.substr(tagEnd + 1, close - tagEnd - 1))};
    }

    std::string_view m_sql;
    SqlDialect m_dialect;
};

// SQLite's own test of a complete statement: a ";" inside a trigger's
// BEGIN ... END does not end it.
bool EndsAStatement(std::string_view sql, size_t semicolonEnd, SqlDialect dialect)
{
    if (dialect != SqlDialect::Sqlite)
        return true;
    return sqlite3_complete(std::string(sql.substr(0, semicolonEnd)).c_str()) != 0;
}

} // namespace

SqlDialect DialectOfDbms(std::string_view dbmsName)
{
    if (Contains(dbmsName, "PostgreSQL"))
        return SqlDialect::Postgres;
    if (Contains(dbmsName, "SQLite"))
        return SqlDialect::Sqlite;
    if (Contains(dbmsName, "MySQL") || Contains(dbmsName, "MariaDB"))
        return SqlDialect::MySql;
    if (Contains(dbmsName, "SQL Server"))
        return SqlDialect::SqlServer;
    return SqlDialect::Other;
}

bool HoldsOneStatement(std::string_view sql, SqlDialect dialect)
{
    SqlScanner scanner(sql, dialect);
    bool ended = false;
    for (size_t at = 0; at < sql.size();) {
        Piece piece = scanner.Next(at);
        if (ended && piece.kind != PieceKind::Blank && piece.kind != PieceKind::Comment &&
            piece.kind != PieceKind::Semicolon)
            return false;
        if (piece.kind == PieceKind::Semicolon && EndsAStatement(sql, piece.end, dialect))
            ended = true;
        at = piece.end;
    }
    return true;
}

std::vector<std::string> StringLiterals(std::string_view sql, SqlDialect dialect)
{
    SqlScanner scanner(sql, dialect);
    std::vector<std::string> literals;
    for (size_t at = 0; at < sql.size();) {
        Piece piece = scanner.Next(at);
        if (piece.kind == PieceKind::Literal)
            literals.push_back(std::move(piece.value));
        at = piece.end;
    }
    return literals;
}

} // namespace vellum::db
