// The update builder's exact statement texts: its conditions, an empty where,
// and a value set again.
#include "store/SqlUpdate.h"

#include <gtest/gtest.h>

namespace {

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
