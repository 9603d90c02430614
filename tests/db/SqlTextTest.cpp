// Connection string items, literal quoting and the table of a simple
// select: pure text rules, checked byte for byte.
#include "db/SqlText.h"

#include "db/ConnectionString.h"
#include "db/StatementText.h"
#include "db/TextCompare.h"

#include <gtest/gtest.h>

using namespace vellum::db;

TEST(ConnectionStringTest, FindsItemsIgnoringCaseAndBlanks)
{
    const char* connect = " provider = SQLite ; DATA SOURCE= /tmp/a b.db ;Extra";
    EXPECT_EQ(ConnectionStringValue(connect, "Provider"), "SQLite");
    EXPECT_EQ(ConnectionStringValue(connect, "Data Source"), "/tmp/a b.db");
    EXPECT_EQ(ConnectionStringValue(connect, "Extra"), std::nullopt);
    EXPECT_EQ(ConnectionStringValue("", "Provider"), std::nullopt);
    EXPECT_EQ(ConnectionStringValue("Provider=", "Provider"), "");
}

TEST(ConnectionStringTest, PasswordsAreHiddenInTheStringAndInMessagesQuotingIt)
{
    EXPECT_EQ(WithoutPassword("Driver=x;Uid=li; PWD = s3cret ;Password={a;b};Server=h"),
              "Driver=x;Uid=li; PWD =***;Password=***;Server=h");
    EXPECT_EQ(WithoutPassword("Provider=SQLite;Data Source=/a.db"),
              "Provider=SQLite;Data Source=/a.db");
    EXPECT_EQ(HidingPasswordsOf("Uid=li;Pwd=s3cret", "bad login Uid=li;Pwd=s3cret (s3cret)"),
              "bad login Uid=li;Pwd=*** (***)");
    EXPECT_EQ(HidingPasswordsOf("Uid=li;Pwd=;", "no password given"), "no password given");
}

TEST(SqlTextTest, TableOfSimpleSelectAcceptsOneTableOnly)
{
    EXPECT_EQ(TableOfSimpleSelect("select * from systemMailCopy"), "systemMailCopy");
    EXPECT_EQ(TableOfSimpleSelect("  SELECT *\nFROM\tSystemMail where keyid=3"), "SystemMail");
    EXPECT_EQ(TableOfSimpleSelect("select KeyId from T order by keyid"), "T");
    EXPECT_EQ(TableOfSimpleSelect("select * from a, b"), "");
    EXPECT_EQ(TableOfSimpleSelect("select * from a join b on a.x=b.x"), "");
    EXPECT_EQ(TableOfSimpleSelect("select 1"), "");
    EXPECT_EQ(TableOfSimpleSelect("update a set x=1"), "");
    EXPECT_EQ(TableOfSimpleSelect("selectx * from a"), "");
}

TEST(TextCompareTest, FoldsAsciiOnly)
{
    EXPECT_TRUE(EqualsIgnoringCase("KeyId", "keyid"));
    EXPECT_FALSE(EqualsIgnoringCase("KeyId", "keyi"));
    EXPECT_FALSE(EqualsIgnoringCase("\xd3\xca", "\xf3\xea"));
    EXPECT_TRUE(StartsWithIgnoringCase("SELECT x", "select"));
    EXPECT_FALSE(StartsWithIgnoringCase("sel", "select"));
}

// Where each database ends a statement: a ";" inside a literal, a quoted
// name, a comment, a dollar quote or a trigger body ends nothing; anything
// after the first statement but blanks and comments is a second one.
TEST(StatementTextTest, FindsASecondStatementAsEachDialectReadsIt)
{
    using D = SqlDialect;
    struct Case
    {
        const char* sql;
        D dialect;
        bool one;
    } cases[] = {
        {"insert into t values ('a;b')", D::Other, true},
        {"select 1; -- done\n /* c */ ;", D::Other, true},
        {"select 1; select 2", D::Other, false},
        {"select 'it''s'; drop table t", D::Postgres, false},
        {"select \"a;b\" from t", D::Postgres, true},
        {"do $f$ begin perform 1; end $f$", D::Postgres, true},
        {"select $1; select 2", D::Postgres, false},
        {"select E'\\'; drop table t'", D::Postgres, true},
        {"/* a /* nested; */ still */ select 1", D::Postgres, true},
        {"select 1 # c; select 2\n", D::MySql, true},
        {"select 'a\\'; drop table t; --'", D::MySql, false},
        {"select [a;b] from t", D::SqlServer, true},
        {"create trigger x after insert on t begin select 1; select 2; end;", D::Sqlite, true},
        {"create trigger x after insert on t begin select 1; end; select 2", D::Sqlite, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HoldsOneStatement(c.sql, c.dialect), c.one) << c.sql;
}

TEST(StatementTextTest, ReadsLiteralsBackAsTheDatabaseDoes)
{
    EXPECT_EQ(StringLiterals("values ('it''s', 'a\\', \"n\")", SqlDialect::Postgres),
              (std::vector<std::string>{"it's", "a\\"}));
    EXPECT_EQ(StringLiterals("values ('a\\', \"b\"\"c\")", SqlDialect::MySql),
              (std::vector<std::string>{"a\\", "b\"c"}));
    EXPECT_EQ(StringLiterals("values (E'a\\'b', $$x'y$$)", SqlDialect::Postgres),
              (std::vector<std::string>{"a'b", "x'y"}));
    EXPECT_EQ(DialectOfDbms("MariaDB"), SqlDialect::MySql);
    EXPECT_EQ(DialectOfDbms("Microsoft SQL Server"), SqlDialect::SqlServer);
}
