// The grid binding against a real SQLite file, filling a text grid.
#include "folders/GridBinding.h"

#include "FolderTestHome.h"
#include "grid/GridTable.h"
#include "platform/text/CodePage.h"

#include <gtest/gtest.h>

namespace {

using vellum::text::FromUtf8;

class GridBindingFill : public FolderTestHome
{
protected:
    void SetUp() override
    {
        FolderTestHome::SetUp();
        m_binding.AttachGrid(&m_grid);
    }

    void AddDraft(const std::string& from, const std::string& subject, int status = 0)
    {
        Run("insert into SystemMail (MailFrom, MailTo, Subject, MailTime, Attachment, Status) "
            "values ('" +
            from + "', 'b', '" + subject + "', '2026-01-02 03:04:05', '', " +
            std::to_string(status) + ")");
    }

    GridTable m_grid;
    CGridBinding m_binding;
};

TEST(GridBindingSelect, BuildsTheStatementByteForByte)
{
    CGridBinding binding;
    EXPECT_EQ(binding.BuildSelect(), nullptr) << "no fields, no statement";

    binding.SetTable("SystemMail");
    for (const char* field : {"KeyId", "'@'", "MailTo", "Subject", "MailTime", "Attachment"})
        binding.AddColumn(field);
    binding.AddWhere(" Status=0");
    binding.AddWhere(" MailFrom='li'");
    binding.SetOrder(" order by keyid desc ");
    ASSERT_NE(binding.BuildSelect(), nullptr);
    const std::string drafts =
        "select KeyId,'@',MailTo,Subject,MailTime,Attachment from "
        "SystemMail where  Status=0 and  MailFrom='li'  order by keyid desc ";
    EXPECT_EQ(binding.BuildSelect(), drafts);

    binding.ClearWhere();
    EXPECT_EQ(binding.GetStatement(), drafts) << "the stored text changes only with the next build";
    EXPECT_STREQ(binding.BuildSelect(),
                 "select KeyId,'@',MailTo,Subject,MailTime,Attachment from SystemMail  order by "
                 "keyid desc ");
}

TEST(GridBindingSelect, TrailingCommasOfTheLastFieldAreDropped)
{
    CGridBinding binding;
    binding.SetTable("T");
    binding.AddColumn("a,");
    binding.AddColumn("b,,");
    EXPECT_STREQ(binding.BuildSelect(), "select a,,b from T ");
}

TEST(GridBindingSetup, WritesTitlesOrFieldTextsIntoOneHeaderRow)
{
    CGridBinding binding;
    EXPECT_EQ(binding.SetupColumns(), 0) << "no grid attached";

    GridTable grid(3, 1);
    binding.AttachGrid(&grid);
    binding.AddColumn("KeyId", "No.");
    binding.AddColumn("MailId ");
    binding.AddColumn("Status", "");
    EXPECT_EQ(binding.SetupColumns(), 1);
    EXPECT_EQ(grid.GetFixedRowCount(), 1);
    EXPECT_EQ(grid.GetColumnCount(), 3);
    EXPECT_EQ(grid.GetText(0, 0), "No.");
    EXPECT_EQ(grid.GetText(0, 1), "MailId ");
    EXPECT_EQ(grid.GetText(0, 2), "") << "an empty title is a title";
    EXPECT_EQ(grid.GetColumnWidth(0), grid.GetCellExtent(0, 0).width) << "sized to the header";
    EXPECT_GT(grid.GetColumnWidth(1), grid.GetColumnWidth(0));
}

TEST_F(GridBindingFill, FillsOnePageOfTwoHundredRowsInStatementOrder)
{
    Run("create table Numbers (KeyId integer primary key, Label text)");
    Run("with recursive n(i) as (select 1 union all select i + 1 from n where i < 450) "
        "insert into Numbers select i, 'row ' || i from n");
    m_binding.SetTable("Numbers");
    m_binding.AddColumn("KeyId");
    m_binding.AddColumn("Label");
    m_binding.SetOrder(" order by keyid desc ");
    m_binding.SetupColumns();
    EXPECT_EQ(m_binding.Fill(&m_session), 1) << m_binding.GetLastErrorText();
    ASSERT_EQ(m_grid.GetRowCount(), 201);
    EXPECT_EQ(m_grid.GetText(1, 0), "450");
    EXPECT_EQ(m_grid.GetText(200, 0), "251");
    EXPECT_EQ(m_grid.GetText(200, 1), "row 251");
    EXPECT_EQ(m_grid.GetRowHeight(200), 20);
    EXPECT_EQ(m_grid.GetDefaultCell(false, false)->GetMargin(), 2);
    EXPECT_EQ(m_grid.GetDefaultCell(true, true)->GetMargin(), 2);

    EXPECT_EQ(m_binding.Fill(&m_session), 1);
    EXPECT_EQ(m_grid.GetRowCount(), 201) << "a second fill replaces the rows";
}

TEST_F(GridBindingFill, TurnsNullRealAndIntegerValuesIntoText)
{
    Run("create table Vals (KeyId integer, A text, B real, C integer, D text)");
    Run("insert into Vals values (1, null, 2.5, 7, '')");
    Run("insert into Vals values (2, 'x', -0.0004, null, '2.5')");
    m_binding.SetTable("Vals");
    for (const char* field : {"A", "B", "C", "D"})
        m_binding.AddColumn(field);
    m_binding.SetOrder(" order by KeyId");
    m_binding.SetupColumns();
    ASSERT_EQ(m_binding.Fill(&m_session), 1) << m_binding.GetLastErrorText();
    ASSERT_EQ(m_grid.GetRowCount(), 3);
    EXPECT_EQ(m_grid.GetText(1, 0), "");
    EXPECT_EQ(m_grid.GetText(1, 1), "2.500");
    EXPECT_EQ(m_grid.GetText(1, 2), "7");
    EXPECT_EQ(m_grid.GetText(2, 0), "x");
    EXPECT_EQ(m_grid.GetText(2, 1), "-0.000");
    EXPECT_EQ(m_grid.GetText(2, 2), "");
    EXPECT_EQ(m_grid.GetText(2, 3), "2.5") << "a text that looks like a number stays as it is";
}

TEST_F(GridBindingFill, MatchesColumnsByPositionAndDropsExtraFields)
{
    Run("create table Wide (A text, B text, C text)");
    Run("insert into Wide values ('a', 'b', 'c')");
    m_binding.SetTable("Wide");
    m_binding.AddColumn("A, B, C");
    m_binding.SetupColumns();
    ASSERT_EQ(m_binding.Fill(&m_session), 1) << m_binding.GetLastErrorText();
    ASSERT_EQ(m_grid.GetColumnCount(), 1);
    EXPECT_EQ(m_grid.GetText(1, 0), "a");
}

TEST_F(GridBindingFill, ReportsMissingSessionGridFieldsAndDatabaseErrors)
{
    CGridBinding unattached;
    unattached.AddColumn("KeyId");
    EXPECT_EQ(unattached.Fill(&m_session), -1);
    EXPECT_EQ(m_binding.Fill(nullptr), -1);
    EXPECT_EQ(m_binding.Fill(&m_session), -2) << "no fields";
    EXPECT_EQ(m_binding.GetLastErrorText(), "");

    AddDraft("li", "kept");
    m_binding.SetTable("SystemMail");
    m_binding.AddColumn("Subject");
    m_binding.SetupColumns();
    ASSERT_EQ(m_binding.Fill(&m_session), 1);
    ASSERT_EQ(m_grid.GetRowCount(), 2);

    m_binding.SetTable("NoSuchTable");
    EXPECT_EQ(m_binding.Fill(&m_session), -3);
    EXPECT_NE(m_binding.GetLastErrorText().find("NoSuchTable"), std::string::npos)
        << m_binding.GetLastErrorText();
    ASSERT_EQ(m_grid.GetRowCount(), 2) << "the old rows stay";
    EXPECT_EQ(m_grid.GetText(1, 0), "kept");
}

TEST_F(GridBindingFill, FindsCellsByFieldOrTitle)
{
    AddDraft("li", "hello");
    m_binding.SetTable("SystemMail");
    m_binding.AddColumn("KeyId", FromUtf8("序号").c_str());
    m_binding.AddColumn("MailTo", FromUtf8("收件人").c_str());
    m_binding.AddColumn("Subject", "MailTo");
    m_binding.AddColumn("Attachment", "");
    m_binding.SetupColumns();
    ASSERT_EQ(m_binding.Fill(&m_session), 1);

    EXPECT_EQ(m_binding.FindColumn("attachment"), 3);
    EXPECT_EQ(m_binding.FindColumn(FromUtf8("收件人")), 1);
    EXPECT_EQ(m_binding.FindColumn("MAILTO"), 1) << "a field is tried before a later title";
    EXPECT_EQ(m_binding.FindColumn("Body"), -1);
    EXPECT_EQ(m_binding.FindColumn(""), 3) << "the empty title of Attachment";

    EXPECT_STREQ(m_binding.GetCellText(1, FromUtf8("收件人")), "b");
    EXPECT_STREQ(m_binding.GetCellText(1, "subject"), "hello");
    EXPECT_EQ(m_binding.GetCellText(1, "Body"), nullptr);
    EXPECT_EQ(m_binding.SetCellText(1, "Body", "x"), -1);
    EXPECT_EQ(m_binding.SetCellText(1, "Subject", "changed"), 1);
    EXPECT_EQ(m_grid.GetText(1, 2), "changed");

    CGridBinding unattached;
    unattached.AddColumn("Subject");
    EXPECT_EQ(unattached.GetCellText(1, "Subject"), nullptr);
    EXPECT_EQ(unattached.SetCellText(1, "Subject", "x"), -1);
}

} // namespace
