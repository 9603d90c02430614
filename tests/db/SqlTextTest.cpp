// Connection string items, literal quoting and the table of a simple
// select: pure text rules, checked byte for byte.
#include "db/SqlText.h"

#include "db/ConnectionString.h"
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
