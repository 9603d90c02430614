// The binding on a real grid window: the [DataGrid] colours and a filled
// folder in list mode, painted offscreen (the PNG is kept in the build
// folder for a look).
#include "FolderTestHome.h"
#include "folders/ColumnWidths.h"
#include "folders/FolderDefinitions.h"
#include "folders/GridBinding.h"
#include "grid/GridCtrl.h"
#include "platform/text/CodePage.h"
#include "platform/ui/Application.h"
#include "platform/ui/WindowImage.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
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

TEST_F(BoundGridWindow, FilledListModeGridWithASelectedRowRendersToPng)
{
    const char* subjects[] = {"周报", "Quarterly report", "午餐",
                              "A subject much too long for its column to show it whole"};
    for (int i = 0; i < 4; ++i)
        Run(std::string("insert into SystemMail (MailFrom, MailTo, Subject, MailTime, "
                        "Attachment, Status) values ('li', 'wang;zhao', '") +
            vellum::text::FromUtf8(subjects[i]) + "', '2026-03-0" + std::to_string(i + 1) +
            " 08:00:00', '" + (i % 2 ? "plan.doc" : "") + "', 0)");
    const FolderDefinition& drafts = *FindFolder("drafts");
    CreateGrid(drafts);
    DeclareFolder(m_binding, drafts, "li");
    ASSERT_EQ(m_binding.SetupColumns(), 1);
    LoadColumnWidths(m_grid, drafts.className);
    ASSERT_EQ(m_binding.Fill(&m_session), 1) << m_binding.GetLastErrorText();
    ApplyAfterFill(m_binding, drafts);
    m_grid->SetColumnWidth(3, 160);
    m_grid->SetColumnWidth(4, 140);
    m_parent.show();
    QApplication::processEvents();

    QPoint at(10, m_grid->Viewport().RowTop(2) + 10);
    QMouseEvent press(QEvent::MouseButtonPress, at, m_grid->viewport()->mapToGlobal(at),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, m_grid->viewport()->mapToGlobal(at),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(m_grid->viewport(), &press);
    QApplication::sendEvent(m_grid->viewport(), &release);
    ASSERT_EQ(m_grid->GetSelectedRange().minRow, 2);
    ASSERT_EQ(m_grid->GetSelectedRange().maxRow, 2);
    EXPECT_EQ(m_grid->GetText(1, 1), "@");
    EXPECT_EQ(m_grid->GetText(2, 1), "");

    std::string png = std::string(VELLUM_BINARY_DIR) + "/grid-list-mode.png";
    ASSERT_TRUE(vellum::ui::RenderToPng(m_parent, png));
    QImage image(QString::fromStdString(png));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 560);
}

} // namespace
