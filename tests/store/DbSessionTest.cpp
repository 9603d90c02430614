// CDbSession's states, results and texts, and its trace and close switches,
// on real SQLite files.
#include "store/DbSession.h"

#include "base/FileBytes.h"
#include "base/TraceLog.h"
#include "net/TestHome.h"
#include "store/DbRecordset.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using vellum::testing::ScratchFolder;

std::string SqliteAt(const std::string& path)
{
    return "Provider=SQLite;Data Source=" + path;
}

TEST(DbSessionTest, ANewSessionHasNoConnectionObject)
{
    CDbSession session;
    EXPECT_EQ(session.GetState(), -1);
    EXPECT_EQ(session.GetLastErrorText(), "");
    EXPECT_EQ(session.Execute("create table t (i integer)"), 0);
    EXPECT_EQ(session.GetLastErrorText(), "Connection Not open!\r\n");
    EXPECT_EQ(session.Close(), 1);
    EXPECT_EQ(session.GetState(), -1) << "closing creates nothing";
    EXPECT_EQ(session.GetLastInsertKeyId("SystemMail"), -1);
    EXPECT_EQ(session.GetDbmsName(), "");
}

class TraceTest : public ::testing::Test
{
protected:
    void TearDown() override { CloseTrace(); }
    vellum::testing::TestHome m_home{"db-trace"};
};

TEST_F(TraceTest, AFailedOpenIsTracedOnlyWhileTheSwitchIsOn)
{
    std::string connect = SqliteAt(m_home.Home() + "no/such.db");
    CDbSession quiet;
    EXPECT_EQ(quiet.Open(connect.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(m_home.Home() + "trace.log"));

    CDbSession traced;
    traced.SetTrace(1);
    EXPECT_EQ(traced.Open(connect.c_str()), 0);
    EXPECT_EQ(traced.Execute("bogus statement"), 0);
    EXPECT_EQ(FileBytes(m_home.Home() + "trace.log"), "unable to open database file\r\n")
        << "Execute failures are not traced";

    ASSERT_EQ(traced.Open(SqliteAt(m_home.Home() + "fine.db").c_str()), 1);
    EXPECT_EQ(FileBytes(m_home.Home() + "trace.log"), "unable to open database file\r\n");
}

TEST(DbSessionLifetimeTest, ARecordSetKeepsTheConnectionUnlessTheSessionClosesOnDestroy)
{
    ScratchFolder folder;
    std::string connect = SqliteAt(folder.Path() + "a.db");
    CDbRecordset kept;
    CDbRecordset closed;
    {
        CDbSession session;
        ASSERT_EQ(session.Open(connect.c_str()), 1);
        kept.Attach(&session);
    }
    EXPECT_EQ(kept.Open("select 1 as one"), 1) << "the last reference keeps it open";
    EXPECT_STREQ(kept.GetFieldValue("one"), "1");
    {
        CDbSession session;
        session.SetCloseOnDestroy(1);
        ASSERT_EQ(session.Open(connect.c_str()), 1);
        closed.Attach(&session);
    }
    EXPECT_EQ(closed.Open("select 1 as one"), 0);
    EXPECT_FALSE(closed.GetLastErrorText().empty());
}

} // namespace
