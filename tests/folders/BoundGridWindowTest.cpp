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
};

TEST_F(BoundGridWindow, ProfileColoursReplaceTheBuiltInOnes)
{
    // A grid as a view creates it, bound to a folder.
    QWidget parent;
    parent.resize(560, 260);
    auto* grid = new CGridCtrl;
    grid->Create(&parent, FindFolder("drafts")->gridId);
    grid->setGeometry(0, 0, 560, 260);
    grid->SetFixedRowCount(1);
    grid->SetEditable(false);
    grid->SetListMode(true);
    CGridBinding binding;
    binding.AttachGrid(grid);
    EXPECT_EQ(grid->GetGridBkColor(), 15788232u) << "no uiprofile.ini";
    EXPECT_EQ(grid->GetDefaultCell(true, false)->GetBackClr(), 14730375u);
    EXPECT_EQ(grid->GetDefaultCell(false, true)->GetBackClr(), 14730375u);
    EXPECT_EQ(grid->GetDefaultCell(true, true)->GetBackClr(), 14730375u);
    EXPECT_NE(grid->GetDefaultCell(false, false)->GetBackClr(), 14730375u);

    WriteHomeFile("uiprofile.ini", "[DataGrid]\r\nBackColor=255\r\nFixedColor=\r\n");
    CGridBinding again;
    again.AttachGrid(grid);
    EXPECT_EQ(grid->GetGridBkColor(), 255u);
    EXPECT_EQ(grid->GetDefaultCell(true, true)->GetBackClr(), 14730375u) << "empty keeps it";
    parent.show();
    QImage image = grid->grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() - 5, image.height() - 5), QColor(255, 0, 0))
        << "BackColor=255 paints the grid pure red";

    WriteHomeFile("uiprofile.ini", "[DataGrid]\r\nFixedColor=65280\r\n");
    again.AttachGrid(grid);
    EXPECT_EQ(grid->GetGridBkColor(), 15788232u);
    EXPECT_EQ(grid->GetDefaultCell(false, true)->GetBackClr(), 65280u);
}

TEST_F(BoundGridWindow, GridWithoutWindowKeepsItsColours)
{
    WriteHomeFile("uiprofile.ini", "[DataGrid]\r\nBackColor=255\r\n");
    CGridCtrl unwindowed;
    GridColour before = unwindowed.GetGridBkColor();
    CGridBinding binding;
    binding.AttachGrid(&unwindowed);
    EXPECT_EQ(unwindowed.GetGridBkColor(), before);
    EXPECT_EQ(binding.GetGrid(), &unwindowed);
}

} // namespace
