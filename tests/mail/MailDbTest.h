// A fresh database with the mail tables (SQLite file or the real PostgreSQL,
// see StoreTest) and a way to read rows back as text, for the sending and
// dialog tests.
#pragma once

#include "folders/FolderTestHome.h"
#include "store/StoreFixture.h"

#include <string>

class MailDbTest : public StoreTest
{
protected:
    // The rows of a query, fields joined by "|", one line per row.
    std::string Rows(const std::string& query) { return Rows(m_session, query); }
    static std::string Rows(CDbSession& session, const std::string& query)
    {
        std::string text;
        for (const std::string& row : QueryRows(session, query))
            text += row + "\n";
        return text;
    }
};

// The two databases the mail tests run on: the embedded SQLite file and the
// real PostgreSQL server through ODBC.
#define VELLUM_ON_SQLITE_AND_POSTGRES(suite)                                                       \
    INSTANTIATE_TEST_SUITE_P(Databases, suite,                                                     \
                             ::testing::Values(vellum::testing::TestDatabase::Sqlite,              \
                                               vellum::testing::TestDatabase::Postgres),           \
                             StoreTestName)
