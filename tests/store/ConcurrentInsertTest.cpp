// Two sessions inserting into one table at the same time each learn the key
// of their own row, so concurrent senders never take each other's drafts.
#include "StoreFixture.h"
#include "store/DbRecordset.h"

#include <thread>

namespace {

using vellum::testing::TestDatabase;

using ConcurrentInsertTest = StoreTest;

// Inserts drafts as one sender and checks each key read back names one of
// its own rows; returns the number of mismatches and failures.
int InsertAsSender(const std::string& connect, const std::string& sender, int count)
{
    CDbSession session;
    if (!session.Open(connect.c_str()))
        return count;
    int faults = 0;
    for (int i = 0; i < count; ++i) {
        std::string values = "MailFrom='" + sender + "' and Subject='" + std::to_string(i) + "'";
        std::string insert = "insert into SystemMail(MailFrom,Subject) values ('" + sender + "','" +
                             std::to_string(i) + "')";
        if (!session.Execute(insert.c_str())) {
            ++faults;
            continue;
        }
        std::string query = "select KeyId from SystemMail where keyid=" +
                            std::to_string(session.GetLastInsertKeyId("SystemMail")) + " and " +
                            values;
        CDbRecordset recordset;
        recordset.Attach(&session);
        if (!recordset.Open(query.c_str()) || recordset.IsEOF())
            ++faults;
    }
    return faults;
}

TEST_P(ConcurrentInsertTest, EachSessionGetsTheKeyOfItsOwnRow)
{
    constexpr int kRows = 60;
    int faultsA = 0, faultsB = 0;
    std::thread a([&] { faultsA = InsertAsSender(m_connect, "alice", kRows); });
    std::thread b([&] { faultsB = InsertAsSender(m_connect, "bob", kRows); });
    a.join();
    b.join();
    EXPECT_EQ(faultsA, 0);
    EXPECT_EQ(faultsB, 0);
    CDbRecordset recordset;
    recordset.Attach(&m_session);
    ASSERT_EQ(recordset.Open("select count(*) as n, max(keyid) as m from SystemMail"), 1);
    EXPECT_EQ(std::string(recordset.GetFieldValue("n")), std::to_string(2 * kRows));
}

// A session that inserted nothing has no key to tell: it answers -1 with a
// message, never the table's highest key, which is another writer's row.
TEST_P(ConcurrentInsertTest, ASessionThatInsertedNothingTellsNoKey)
{
    ASSERT_EQ(InsertAsSender(m_connect, "alice", 2), 0);
    CDbSession fresh;
    ASSERT_EQ(fresh.Open(m_connect.c_str()), 1) << fresh.GetLastErrorText();
    EXPECT_EQ(fresh.GetLastInsertKeyId("SystemMail"), -1);
    EXPECT_NE(fresh.GetLastErrorText().find("SystemMail"), std::string::npos);
}

// Through ODBC the SQLite file behaves as embedded; PostgreSQL is the server
// case that matters.
INSTANTIATE_TEST_SUITE_P(Databases, ConcurrentInsertTest,
                         ::testing::Values(TestDatabase::Sqlite, TestDatabase::Postgres),
                         StoreTestName);

} // namespace
