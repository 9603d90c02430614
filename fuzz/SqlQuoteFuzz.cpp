// Fuzz target: the statement builders' quoting against SQLite itself, and
// against every other driver's rules as the connection sets them up (the
// statement lexer's reading of PostgreSQL, MySQL and SQL Server). Any text
// (bytes of any code page) set on an insert and an update is stored exactly
// as given: no quote or backslash in it ends its literal early, so nothing
// of it runs as SQL.
#include "FuzzInput.h"
#include "db/StatementText.h"
#include "store/SqlInsert.h"
#include "store/SqlLiteral.h"
#include "store/SqlUpdate.h"

#include <sqlite3.h>

#include <cstring>
#include <vector>

using vellum::fuzz::Check;

namespace {

sqlite3* Database()
{
    static sqlite3* db = [] {
        sqlite3* opened = nullptr;
        sqlite3_open(":memory:", &opened);
        sqlite3_exec(opened, "create table Mail(KeyId integer, Subject text, Body text)", nullptr,
                     nullptr, nullptr);
        return opened;
    }();
    return db;
}

// Runs one statement; it must be exactly one statement and succeed.
void RunOne(const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    Check(sqlite3_prepare_v2(Database(), sql, -1, &statement, &tail) == SQLITE_OK,
          "the statement is valid SQL");
    Check(*tail == '\0', "the statement is one statement");
    Check(sqlite3_step(statement) == SQLITE_DONE, "the statement runs");
    sqlite3_finalize(statement);
}

std::string Column(const char* column)
{
    std::string sql = std::string("select ") + column + " from Mail";
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(Database(), sql.c_str(), -1, &statement, nullptr);
    Check(sqlite3_step(statement) == SQLITE_ROW, "the row is there");
    auto text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    std::string value(text ? text : "",
                      static_cast<std::size_t>(sqlite3_column_bytes(statement, 0)));
    sqlite3_finalize(statement);
    return value;
}

// Each dialect reads the statement as one, with exactly these literals.
void CheckEveryDialect(const char* sql, const std::vector<std::string>& literals)
{
    using vellum::db::SqlDialect;
    for (SqlDialect dialect : {SqlDialect::Sqlite, SqlDialect::Postgres, SqlDialect::MySql,
                               SqlDialect::SqlServer, SqlDialect::Other}) {
        Check(vellum::db::HoldsOneStatement(sql, dialect), "every dialect reads one statement");
        Check(vellum::db::StringLiterals(sql, dialect) == literals,
              "every dialect reads the literals back as given");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vellum::fuzz::FuzzInput input(data, size);
    std::string subject = input.Text();
    std::string body = input.Rest();
    subject.resize(std::strlen(subject.c_str())); // the builders take C strings
    body.resize(std::strlen(body.c_str()));

    std::string literal = SqlTextLiteral(subject.c_str());
    Check(literal.front() == '\'' && literal.back() == '\'', "a literal is quoted");

    sqlite3_exec(Database(), "delete from Mail", nullptr, nullptr, nullptr);
    CSqlInsert insert;
    insert.SetTable("Mail");
    insert.SetInt("KeyId", static_cast<std::int32_t>(size) - 100);
    insert.SetString("Subject", subject.c_str());
    RunOne(insert.Build());
    Check(Column("Subject") == subject, "the insert stores the text as given");
    CheckEveryDialect(insert.Build(), {subject});

    CSqlUpdate update;
    update.SetTable("Mail");
    update.SetString("Body", body.c_str());
    update.SetString("Subject", body.c_str());
    update.AddWhere(("KeyId=" + SqlIntLiteral(static_cast<std::int32_t>(size) - 100)).c_str());
    RunOne(update.Build());
    CheckEveryDialect(update.Build(), {body, body});
    Check(Column("Body") == body && Column("Subject") == body,
          "the update stores the text as given");
    return 0;
}
