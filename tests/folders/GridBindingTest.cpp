// The grid binding against a real SQLite file, filling a text grid, and the
// column-width file "res/gridpos.ini" that is missing or lacks the view.
#include "folders/GridBinding.h"

#include "FolderTestHome.h"
#include "folders/ColumnWidths.h"
#include "grid/GridTable.h"
#include "platform/text/CodePage.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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

using ColumnWidthFile = FolderTestHome;

TEST_F(ColumnWidthFile, MissingFileOrSectionChangesNothing)
{
    GridTable grid{1, 5, 1, 0};
    for (int col = 0; col < 5; ++col)
        grid.SetColumnWidth(col, 55);
    auto widthsStay = [&](const char* when) {
        for (int col = 0; col < 5; ++col)
            EXPECT_EQ(grid.GetColumnWidth(col), 55) << when << ", column " << col;
    };
    LoadColumnWidths(&grid, "CMailDraftListView");
    widthsStay("no file");
    mkdir((m_home.Path() + "res").c_str(), 0755);
    WriteHomeFile("res/gridpos.ini", "[Other]\r\nColumnWidth=100\r\n");
    LoadColumnWidths(&grid, "CMailDraftListView");
    widthsStay("no section");
    LoadColumnWidths(nullptr, "Other");
}

} // namespace
