// The folder table and the after-fill steps, filled from a real database the
// way each view's first fill runs.
#include "folders/FolderDefinitions.h"

#include "FolderTestHome.h"
#include "folders/GridBinding.h"
#include "grid/GridTable.h"
#include "platform/text/CodePage.h"

#include <gtest/gtest.h>

namespace {

using vellum::text::FromUtf8;

std::string SelectFor(const char* folderName, const std::string& user)
{
    const FolderDefinition* folder = FindFolder(folderName);
    EXPECT_NE(folder, nullptr) << folderName;
    if (!folder)
        return {};
    CGridBinding binding;
    DeclareFolder(binding, *folder, user);
    return binding.BuildSelect();
}

TEST(FolderDefinitions, EachFolderSelectsItsOwnRows)
{
    EXPECT_EQ(SelectFor("drafts", "li"),
              "select KeyId,'@',MailTo,Subject,MailTime,Attachment from SystemMail where  "
              "Status=0 and  MailFrom='li'  order by keyid desc ");
    EXPECT_EQ(SelectFor("sent", "li"),
              "select KeyId,'@',MailTo,Subject,MailTime,Attachment from SystemMail where  "
              "Status=1 and  MailFrom='li'  order by keyid desc ");
    EXPECT_EQ(SelectFor("inbox", "li"),
              "select KeyId,MailId ,MailFrom,Subject,MailTime,Status from SystemMailNotify where  "
              "MailTo='li'  order by keyid desc ");
    EXPECT_EQ(SelectFor("CMailNotifyListView", "o'k"),
              "select KeyId,MailId ,MailFrom,Subject,MailTime from SystemMailNotify where  "
              "MailTo='o'k'  order by keyid desc ")
        << "the user name goes in as given";
    EXPECT_EQ(FindFolder("outbox"), nullptr);
}

// The ids, widths and pictures show through the views' own tests; the texts
// a person reads are pinned here.
TEST(FolderDefinitions, ViewsCarryTheirCaptionsAndLabels)
{
    EXPECT_EQ(FindFolder("drafts")->buttons[0].caption, FromUtf8("新邮件"));
    EXPECT_EQ(FindFolder("inbox")->caption, FromUtf8("系统邮件之收件箱"));
    EXPECT_TRUE(FindFolder("inbox")->searchFields.empty());
    ASSERT_EQ(FindFolder("notify")->searchFields.size(), 2u);
    EXPECT_EQ(FindFolder("notify")->searchFields[0].field, "MailFrom");
    EXPECT_EQ(FindFolder("sent")->searchFields[0].label, FromUtf8("收件人"));
}

TEST(FolderDefinitions, SearchConditionsLoseTheirQuotes)
{
    EXPECT_EQ(SearchCondition("MailTo", "O'Neil"), " MailTo like '%ONeil%'");
    EXPECT_EQ(SearchCondition("Subject", "''"), "");
    EXPECT_EQ(SearchCondition("Subject", ""), "");
}

class FolderAfterFillSteps : public FolderTestHome
{
protected:
    GridTable m_grid;
    CGridBinding m_binding;

    void Fill(const char* name, const std::string& user)
    {
        const FolderDefinition& folder = *FindFolder(name);
        m_binding.AttachGrid(&m_grid);
        DeclareFolder(m_binding, folder, user);
        m_binding.SetupColumns();
        ASSERT_EQ(m_binding.Fill(&m_session), 1) << m_binding.GetLastErrorText();
        ApplyAfterFill(m_binding, folder);
    }
};

TEST_F(FolderAfterFillSteps, DraftsMarkRowsWithAnAttachment)
{
    Run("insert into SystemMail (MailFrom, MailTo, Subject, Attachment, Status) values "
        "('li', 'wang', 'with', 'a.txt', 0), ('li', 'wang', 'without', '', 0), "
        "('li', 'wang', 'null', null, 0), ('li', 'wang', 'sent', 'b.txt', 1), "
        "('zhao', 'wang', 'other', 'c.txt', 0)");
    Fill("drafts", "li");
    ASSERT_EQ(m_grid.GetRowCount(), 4);
    EXPECT_EQ(m_grid.GetText(1, 3), "null");
    EXPECT_EQ(m_grid.GetText(1, 1), "");
    EXPECT_EQ(m_grid.GetText(2, 1), "");
    EXPECT_EQ(m_grid.GetText(3, 3), "with");
    EXPECT_EQ(m_grid.GetText(3, 1), "@");
}

TEST_F(FolderAfterFillSteps, InboxColoursUnreadNoticesBlue)
{
    Run("insert into SystemMailNotify (MailFrom, MailTo, Subject, MailId, Status) values "
        "('li', 'wang', 'read', 1, 1), ('li', 'wang', 'unread', 2, 0)");
    Fill("inbox", "wang");
    ASSERT_EQ(m_grid.GetRowCount(), 3);
    EXPECT_EQ(m_grid.GetText(1, 3), "unread");
    EXPECT_EQ(m_grid.GetTextColour(1, 2), 0xFF0000u);
    EXPECT_EQ(m_grid.GetTextColour(1, 3), 0xFF0000u);
    EXPECT_EQ(m_grid.GetTextColour(1, 4), CLR_DEFAULT);
    EXPECT_EQ(m_grid.GetTextColour(2, 2), 0u);
    EXPECT_EQ(m_grid.GetTextColour(2, 3), 0u);

    m_binding.SetCellText(1, "Status", "1");
    ApplyUnreadColours(m_binding);
    EXPECT_EQ(m_grid.GetTextColour(1, 2), 0u) << "read now";
}

} // namespace
