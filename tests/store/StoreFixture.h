// A session on a fresh database with the mail tables, for the store tests
// that run on every database: SQLite, SQLite through ODBC, PostgreSQL.
#pragma once

#include "platform/text/CodePage.h"
#include "store/DbSession.h"
#include "store/MailTables.h"
#include "support/ScratchFolder.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>

#include <cctype>

class StoreTest : public ::testing::TestWithParam<vellum::testing::TestDatabase>
{
protected:
    void SetUp() override
    {
        m_codePage = vellum::text::HostCodePage();
        std::string error;
        m_connect = vellum::testing::FreshDatabase(GetParam(), m_folder, error);
        ASSERT_FALSE(m_connect.empty()) << error;
        ASSERT_EQ(m_session.Open(m_connect.c_str()), 1) << m_session.GetLastErrorText();
        ASSERT_EQ(CreateMailTables(m_session, error), 1) << error;
    }
    void TearDown() override { vellum::text::SetHostCodePage(m_codePage); }

    // Runs a statement that must succeed.
    void Run(const std::string& sql)
    {
        ASSERT_EQ(m_session.Execute(sql.c_str()), 1) << sql << ": " << m_session.GetLastErrorText();
    }

    vellum::testing::ScratchFolder m_folder;
    std::string m_connect;
    std::string m_codePage;
    CDbSession m_session;
};

// ASCII letters lowered, since each database spells names in its own case.
inline std::string Lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

inline std::string
StoreTestName(const ::testing::TestParamInfo<vellum::testing::TestDatabase>& info)
{
    return vellum::testing::TestDatabaseName(info.param);
}

#define VELLUM_ON_EVERY_DATABASE(suite)                                                            \
    INSTANTIATE_TEST_SUITE_P(Databases, suite,                                                     \
                             ::testing::Values(vellum::testing::TestDatabase::Sqlite,              \
                                               vellum::testing::TestDatabase::SqliteOdbc,          \
                                               vellum::testing::TestDatabase::Postgres),           \
                             StoreTestName)
