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

} // namespace
