// A module home with a fresh SQLite database holding the mail tables, for the
// folder tests. VELLUM_HOME points at the scratch folder while a test runs,
// so "uiprofile.ini" and "res/gridpos.ini" are the test's own.
#pragma once

#include "store/DbRecordset.h"
#include "store/DbSession.h"
#include "store/MailTables.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

// The rows of a query, each row's fields joined with "|".
inline std::vector<std::string> QueryRows(CDbSession& session, const std::string& sql)
{
    CDbRecordset records;
    records.Attach(&session);
    EXPECT_EQ(records.Open(sql.c_str()), 1) << records.GetLastErrorText();
    std::vector<std::string> rows;
    for (; !records.IsEOF(); records.MoveNext()) {
        std::string row;
        for (int i = 0; i < records.GetFieldCount(); ++i) {
            const char* value = records.GetFieldValueAt(i);
            row += (i ? "|" : "") + std::string(value ? value : "");
        }
        rows.push_back(row);
    }
    return rows;
}

class FolderTestHome : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("VELLUM_HOME", m_home.Path().c_str(), 1);
        ASSERT_EQ(m_session.Open(Connect().c_str()), 1) << m_session.GetLastErrorText();
        std::string error;
        ASSERT_EQ(CreateMailTables(m_session, error), 1) << error;
    }
    void TearDown() override { unsetenv("VELLUM_HOME"); }

    std::string Connect() const
    {
        return "Provider=SQLite;Data Source=" + m_home.Path() + "mail.db";
    }

    void Run(const std::string& sql)
    {
        ASSERT_EQ(m_session.Execute(sql.c_str()), 1) << sql << ": " << m_session.GetLastErrorText();
    }

    using Texts = std::vector<std::string>;

    Texts Query(const std::string& sql) { return QueryRows(m_session, sql); }

    void WriteHomeFile(const std::string& name, const std::string& text)
    {
        std::ofstream(m_home.Path() + name, std::ios::binary) << text;
    }

    vellum::testing::ScratchFolder m_home;
    CDbSession m_session;
};
