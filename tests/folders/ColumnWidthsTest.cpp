// The column-width file "res/gridpos.ini" in a scratch module home.
#include "folders/ColumnWidths.h"

#include "FolderTestHome.h"
#include "grid/GridTable.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class ColumnWidthFile : public FolderTestHome
{
protected:
    // Five columns, each 55 wide, as if sized to their headers.
    GridTable m_grid{1, 5, 1, 0};

    void SetUp() override
    {
        FolderTestHome::SetUp();
        for (int col = 0; col < 5; ++col)
            m_grid.SetColumnWidth(col, 55);
    }

    std::vector<int> Widths() const
    {
        std::vector<int> widths;
        for (int col = 0; col < m_grid.GetColumnCount(); ++col)
            widths.push_back(m_grid.GetColumnWidth(col));
        return widths;
    }
};

TEST_F(ColumnWidthFile, StoredWidthsAreClampedAndShortListsLeaveTheRest)
{
    mkdir((m_home.Path() + "res").c_str(), 0755);
    WriteHomeFile("res/gridpos.ini", "[CMailDraftListView]\r\nColumnWidth=0,500,abc,120\r\n"
                                     "[CMailLogListView]\r\nColumnWidth=1,2,3,4,5,6,7\r\n");
    LoadColumnWidths(&m_grid, "CMailDraftListView");
    EXPECT_EQ(Widths(), (std::vector<int>{80, 400, 80, 120, 55}));

    LoadColumnWidths(&m_grid, "cmaillogListView");
    EXPECT_EQ(Widths(), (std::vector<int>{1, 2, 3, 4, 5})) << "a longer list is cut";
}

TEST_F(ColumnWidthFile, MissingFileOrSectionChangesNothing)
{
    LoadColumnWidths(&m_grid, "CMailDraftListView");
    EXPECT_EQ(Widths(), (std::vector<int>{55, 55, 55, 55, 55}));
    mkdir((m_home.Path() + "res").c_str(), 0755);
    WriteHomeFile("res/gridpos.ini", "[Other]\r\nColumnWidth=100\r\n");
    LoadColumnWidths(&m_grid, "CMailDraftListView");
    EXPECT_EQ(Widths(), (std::vector<int>{55, 55, 55, 55, 55}));
    LoadColumnWidths(nullptr, "Other");
}

TEST_F(ColumnWidthFile, SavingCreatesTheFolderAndKeepsOtherSections)
{
    m_grid.SetColumnWidth(0, 0);
    m_grid.SetColumnWidth(3, 250);
    SaveColumnWidths(&m_grid, "CMailNewListView");
    EXPECT_NE(ReadHomeFile("res/gridpos.ini").find("ColumnWidth=0,55,55,250,55"), std::string::npos)
        << ReadHomeFile("res/gridpos.ini");

    GridTable other(1, 2, 1, 0);
    other.SetColumnWidth(0, 60);
    other.SetColumnWidth(1, 30);
    SaveColumnWidths(&other, "CMailDraftListView");
    std::string file = ReadHomeFile("res/gridpos.ini");
    EXPECT_NE(file.find("[CMailNewListView]"), std::string::npos) << file;
    EXPECT_NE(file.find("ColumnWidth=0,55,55,250,55"), std::string::npos) << file;
    EXPECT_NE(file.find("[CMailDraftListView]"), std::string::npos) << file;
    EXPECT_NE(file.find("ColumnWidth=60,30"), std::string::npos) << file;

    GridTable reloaded(1, 5, 1, 0);
    LoadColumnWidths(&reloaded, "CMailNewListView");
    EXPECT_EQ(reloaded.GetColumnWidth(0), 80) << "a hidden column comes back at 80";
    EXPECT_EQ(reloaded.GetColumnWidth(3), 250);
}

} // namespace
