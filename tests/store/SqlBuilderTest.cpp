// The statement builders: exact statement texts, with the column order left
// free (each column must stay paired with its own value).
#include "store/SqlInsert.h"
#include "store/SqlUpdate.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

testing::AssertionResult IsOneOf(const char* text, std::initializer_list<std::string> accepted)
{
    if (!text)
        return testing::AssertionFailure() << "Build returned null";
    for (const auto& candidate : accepted) {
        if (candidate == text)
            return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "unexpected statement: " << text;
}

TEST(SqlInsertTest, BuildsTheDraftInsertWithPairedColumnsAndValues)
{
    CSqlInsert insert;
    insert.SetTable("SystemMail");
    insert.SetString("MailFrom", "li");
    insert.SetString("MailTime", "2010-05-03 14:22:01");
    EXPECT_TRUE(
        IsOneOf(insert.Build(),
                {"insert into SystemMail(MailFrom,MailTime) values ('li','2010-05-03 14:22:01')",
                 "insert into SystemMail(MailTime,MailFrom) values ('2010-05-03 14:22:01','li')"}));
}

TEST(SqlInsertTest, RendersValuesAsQuotedTextOrDecimal)
{
    CSqlInsert insert;
    insert.SetTable("T");
    insert.SetString("A", "It's");
    EXPECT_STREQ(insert.Build(), "insert into T(A) values ('It''s')");
    insert.SetString("A", "");
    EXPECT_STREQ(insert.Build(), "insert into T(A) values ('')");
    insert.SetString("A", nullptr);
    EXPECT_STREQ(insert.Build(), "insert into T(A) values ('')");
    insert.SetInt("A", -5);
    EXPECT_STREQ(insert.Build(), "insert into T(A) values (-5)") << "the integer replaces the text";
    insert.SetInt("A", INT_MIN);
    EXPECT_STREQ(insert.Build(), "insert into T(A) values (-2147483648)");
    insert.SetString("A", "\xd3\xca'\\");
    EXPECT_STREQ(insert.Build(), "insert into T(A) values ('\xd3\xca''\\')");
}

TEST(SqlInsertTest, BuildsNothingWithoutColumnsAndKeepsTheLastText)
{
    CSqlInsert insert;
    insert.SetTable("SystemMail");
    EXPECT_EQ(insert.Build(), nullptr);
    insert.SetInt("Status", 0);
    const char* built = insert.Build();
    ASSERT_NE(built, nullptr);
    std::string first = built;
    EXPECT_STREQ(built, "insert into SystemMail(Status) values (0)");
    insert.Clear();
    EXPECT_EQ(insert.Build(), nullptr);
    EXPECT_EQ(first, built) << "a null Build leaves the last statement alone";
    insert.SetInt("status", 1);
    insert.SetInt("Status", 2);
    EXPECT_TRUE(IsOneOf(insert.Build(), {"insert into SystemMail(Status,status) values (2,1)",
                                         "insert into SystemMail(status,Status) values (1,2)"}))
        << "column names are case-sensitive keys";
}

TEST(SqlUpdateTest, BuildsTheDraftUpdate)
{
    CSqlUpdate update;
    update.SetTable("SystemMail");
    update.SetInt("Status", 0);
    update.SetString("Subject", "It's");
    update.AddWhere("KeyId=12");
    EXPECT_TRUE(IsOneOf(update.Build(),
                        {"update SystemMail set Status =0,Subject ='It''s' where KeyId=12",
                         "update SystemMail set Subject ='It''s',Status =0 where KeyId=12"}));
}

TEST(SqlUpdateTest, JoinsConditionsInOrderAndOmitsAnEmptyWhere)
{
    CSqlUpdate update;
    update.SetTable("T");
    EXPECT_EQ(update.Build(), nullptr);
    update.AddWhere("A=1");
    EXPECT_EQ(update.Build(), nullptr) << "conditions alone make no statement";
    update.SetInt("X", 7);
    update.AddWhere("B='2'");
    EXPECT_STREQ(update.Build(), "update T set X =7 where A=1 and B='2'");
    update.Clear();
    update.SetString("X", "v");
    EXPECT_STREQ(update.Build(), "update T set X ='v'");
    update.SetInt("X", -5);
    EXPECT_STREQ(update.Build(), "update T set X =-5");
}

} // namespace
