// The store when the database fails under it: the PostgreSQL server stopped
// while a session is open, an SQLite file locked by another writer past the
// busy timeout, on a read-only and on a full file system. Each statement
// fails in bounded time with the database's own message, and every row
// written before is still there afterwards.
#include "store/DbRecordset.h"
#include "store/DbSession.h"
#include "support/PostgresServer.h"
#include "support/RunCommand.h"
#include "support/ScratchFolder.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <sys/mount.h>
#include <thread>

namespace {

using vellum::testing::ScratchFolder;

int CountRows(CDbSession& session)
{
    CDbRecordset rows;
    rows.Attach(&session);
    if (!rows.Open("select count(*) as N from Kept"))
        return -1;
    return std::atoi(rows.GetFieldValue("N"));
}

class StoreFaults : public ::testing::Test
{
protected:
    // Opens `session` on `connect` and writes the row that must survive the fault.
    void OpenWithOneRow(CDbSession& session, const std::string& connect)
    {
        ASSERT_EQ(session.Open(connect.c_str()), 1) << session.GetLastErrorText();
        Run(session, "create table Kept(KeyId integer, Body text)");
        Run(session, "insert into Kept values (1, '')");
    }
    void Run(CDbSession& session, const std::string& sql)
    {
        ASSERT_EQ(session.Execute(sql.c_str()), 1) << sql << ": " << session.GetLastErrorText();
    }
    std::string SqliteFile() const
    {
        return "Provider=SQLite;Data Source=" + m_folder.Path() + "mail.db";
    }

    ScratchFolder m_folder;
};

TEST_F(StoreFaults, PostgresStoppedUnderAnOpenSessionFailsWithItsMessageAndOpensAfterTheRestart)
{
    std::string error;
    std::string connect =
        vellum::testing::FreshDatabase(vellum::testing::TestDatabase::Postgres, m_folder, error);
    ASSERT_FALSE(connect.empty()) << error;
    CDbSession session;
    ASSERT_NO_FATAL_FAILURE(OpenWithOneRow(session, connect));

    EXPECT_FALSE(session.IsLost());
    ASSERT_TRUE(vellum::testing::StopPostgres());
    EXPECT_EQ(session.Execute("insert into Kept values (2, '')"), 0);
    EXPECT_NE(session.GetLastErrorText().find("terminating connection"), std::string::npos)
        << session.GetLastErrorText();
    EXPECT_TRUE(session.IsLost());
    CDbSession refused;
    EXPECT_EQ(refused.Open(connect.c_str()), 0);
    EXPECT_NE(refused.GetLastErrorText().find("Connection refused"), std::string::npos)
        << refused.GetLastErrorText();
    // A script told to wait gets its answer once the server is back.
    vellum::testing::CommandResult waited;
    std::thread script([&] {
        waited = vellum::testing::RunCommand(
            VELLUM_BINARY_DIR "/tools/vellum/vellum",
            {"sql", "--connect", connect, "--wait", "60", "select count(*) from Kept"});
    });
    std::this_thread::sleep_for(std::chrono::seconds(1));

    ASSERT_TRUE(vellum::testing::RestartPostgres());
    script.join();
    EXPECT_EQ(waited.exitCode, 0) << waited.err;
    EXPECT_EQ(waited.out, "count\n1\n");
    ASSERT_EQ(session.Open(connect.c_str()), 1) << "the same session opens again";
    EXPECT_FALSE(session.IsLost());
    EXPECT_EQ(CountRows(session), 1);

    // A dialog's session opens again by itself, but never inside a
    // transaction, whose later statements would run outside it.
    CDbSession dialog;
    dialog.SetReopenWhenLost(1);
    ASSERT_EQ(dialog.Open(connect.c_str()), 1);
    ASSERT_EQ(dialog.BeginTrans(), 1);
    ASSERT_TRUE(vellum::testing::StopPostgres());
    ASSERT_TRUE(vellum::testing::RestartPostgres());
    EXPECT_EQ(dialog.Execute("insert into Kept values (3, '')"), 0) << "found lost";
    EXPECT_EQ(dialog.Execute("insert into Kept values (3, '')"), 0) << "still in the transaction";
    dialog.RollbackTrans();
    EXPECT_EQ(dialog.Execute("insert into Kept values (3, '')"), 1) << dialog.GetLastErrorText();
    EXPECT_EQ(CountRows(dialog), 2);
}

TEST_F(StoreFaults, SqliteLockedByAnotherWriterPastTheBusyTimeoutSaysSo)
{
    CDbSession session;
    ASSERT_NO_FATAL_FAILURE(OpenWithOneRow(session, SqliteFile()));

    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open((m_folder.Path() + "mail.db").c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "begin immediate", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(session.Execute("insert into Kept values (2, '')"), 0);
    EXPECT_EQ(session.GetLastErrorText(), "database is locked");
    sqlite3_exec(writer, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(writer);

    Run(session, "insert into Kept values (3, '')");
    EXPECT_EQ(CountRows(session), 2);
}

// A tmpfs of its own for one test, unmounted at the end. Mounting needs
// root; the tests that need one skip without it.
class SmallFileSystem
{
public:
    explicit SmallFileSystem(const std::string& folder, const char* size) : m_folder(folder)
    {
        std::string options = std::string("size=") + size;
        if (mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0)
            m_error = std::strerror(errno);
    }
    ~SmallFileSystem()
    {
        if (Mounted())
            umount2(m_folder.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return m_error.empty(); }
    const std::string& Error() const { return m_error; }
    bool MakeReadOnly()
    {
        return mount("tmpfs", m_folder.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::string m_folder;
    std::string m_error;
};

TEST_F(StoreFaults, SqliteOnAFullFileSystemFailsWithItsMessageAndKeepsEveryEarlierRow)
{
    SmallFileSystem disk(m_folder.Path(), "256k");
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs: " << disk.Error();
    CDbSession session;
    ASSERT_NO_FATAL_FAILURE(OpenWithOneRow(session, SqliteFile()));
    const std::string insert = "insert into Kept values (1, '" + std::string(4000, 'x') + "')";
    int written = 1;
    while (written < 200 && session.Execute(insert.c_str()) == 1)
        ++written;
    ASSERT_LT(written, 200) << "the file system never filled";
    EXPECT_EQ(session.GetLastErrorText(), "database or disk is full");
    EXPECT_EQ(CountRows(session), written);
    session.Close();
    CDbSession reopened;
    ASSERT_EQ(reopened.Open(SqliteFile().c_str()), 1) << reopened.GetLastErrorText();
    EXPECT_EQ(CountRows(reopened), written);
}

TEST_F(StoreFaults, SqliteOnAReadOnlyFileSystemFailsToOpenWithItsMessage)
{
    SmallFileSystem disk(m_folder.Path(), "1m");
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs: " << disk.Error();
    {
        CDbSession session;
        ASSERT_NO_FATAL_FAILURE(OpenWithOneRow(session, SqliteFile()));
    }
    ASSERT_TRUE(disk.MakeReadOnly());
    // A WAL database needs its shared-memory file beside it to be read at
    // all, and that cannot be made here: the open itself fails.
    CDbSession session;
    EXPECT_EQ(session.Open(SqliteFile().c_str()), 0);
    EXPECT_EQ(session.GetLastErrorText(), "unable to open database file");
}

} // namespace
