// The binding on a real grid window: the [DataGrid] colours of uiprofile.ini.
// A filled, clicked and painted grid is the folder views' own test.
#include "FolderTestHome.h"
#include "folders/FolderDefinitions.h"
#include "folders/GridBinding.h"
#include "grid/GridCtrl.h"
#include "platform/ui/Application.h"

#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class BoundGridWindow : public FolderTestHome
{
protected:
    static void SetUpTestSuite() { vellum::ui::EnsureApplication(); }

    void SetUp() override
    {
        FolderTestHome::SetUp();
        m_parent.resize(560, 260);
    }

    // A grid as a view creates it, bound to a folder.
    void CreateGrid(const FolderDefinition& folder)
    {
        m_grid = new CGridCtrl;
        m_grid->Create(&m_parent, folder.gridId);
        m_grid->setGeometry(0, 0, 560, 260);
        m_grid->SetFixedRowCount(1);
        m_grid->SetEditable(false);
        m_grid->SetListMode(true);
        m_binding.AttachGrid(m_grid);
    }

    QWidget m_parent;
    CGridCtrl* m_grid = nullptr;
    CGridBinding m_binding;
};

TEST_F(BoundGridWindow, ProfileColoursReplaceTheBuiltInOnes)
{
    CreateGrid(*FindFolder("drafts"));
    EXPECT_EQ(m_grid->GetGridBkColor(), 15788232u) << "no uiprofile.ini";
    EXPECT_EQ(m_grid->GetDefaultCell(true, false)->GetBackClr(), 14730375u);
    EXPECT_EQ(m_grid->GetDefaultCell(false, true)->GetBackClr(), 14730375u);
    EXPECT_EQ(m_grid->GetDefaultCell(true, true)->GetBackClr(), 14730375u);
    EXPECT_NE(m_grid->GetDefaultCell(false, false)->GetBackClr(), 14730375u);

    WriteHomeFile("uiprofile.ini", "[DataGrid]\r\nBackColor=255\r\nFixedColor=\r\n");
    CGridBinding again;
    again.AttachGrid(m_grid);
    EXPECT_EQ(m_grid->GetGridBkColor(), 255u);
    EXPECT_EQ(m_grid->GetDefaultCell(true, true)->GetBackClr(), 14730375u) << "empty keeps it";
    m_parent.show();
    QImage image = m_grid->grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() - 5, image.height() - 5), QColor(255, 0, 0))
        << "BackColor=255 paints the grid pure red";

    WriteHomeFile("uiprofile.ini", "[DataGrid]\r\nFixedColor=65280\r\n");
    again.AttachGrid(m_grid);
    EXPECT_EQ(m_grid->GetGridBkColor(), 15788232u);
    EXPECT_EQ(m_grid->GetDefaultCell(false, true)->GetBackClr(), 65280u);
}

TEST_F(BoundGridWindow, GridWithoutWindowKeepsItsColours)
{
    WriteHomeFile("uiprofile.ini", "[DataGrid]\r\nBackColor=255\r\n");
    CGridCtrl unwindowed;
    GridColour before = unwindowed.GetGridBkColor();
    m_binding.AttachGrid(&unwindowed);
    EXPECT_EQ(unwindowed.GetGridBkColor(), before);
    EXPECT_EQ(m_binding.GetGrid(), &unwindowed);
}

} // namespace
