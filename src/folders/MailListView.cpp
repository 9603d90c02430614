// The shared frame: window creation on first show, resizing, the widths
// stored on deletion, and the delete and search actions.
//
// Delete walks the selection bottom-up and takes every row whose statement
// ran, or failed and was answered "continue", out of the grid afterwards,
// highest row first so the lower indexes stay valid. A row whose statement
// failed leaves the grid too: the walk remembers it before running it.
#include "folders/MailListView.h"

#include "base/LeadingNumber.h"
#include "base/TextHelpers.h"
#include "folders/ColumnWidths.h"
#include "folders/FolderDefinitions.h"
#include "grid/GridCtrl.h"
#include "mail/MailReadDlg.h"
#include "platform/text/CodePage.h"
#include "platform/ui/DesktopServices.h"
#include "platform/ui/WindowStyles.h"
#include "store/DbSession.h"
#include "ui/ImageButton.h"
#include "ui/InputFormDlg.h"
#include "ui/LayoutCtrl.h"

#include <QResizeEvent>
#include <QShowEvent>

#include <algorithm>
#include <vector>

using namespace vellum::ui;
using vellum::text::FromUtf8;

namespace {

constexpr int kStretch = 0;
constexpr int kFixed = 3;
constexpr ColorRef kImageTransparent = 0xFFFFFF;
constexpr int kOpenCommand = 6002;
constexpr int kSearchCommand = 6005;
constexpr int kWidestFirstWidth = 400;

std::string WithQuotesDoubled(const std::string& text)
{
    std::string doubled;
    for (char c : text) {
        doubled += c;
        if (c == '\'')
            doubled += '\'';
    }
    return doubled;
}

} // namespace

CMailListView::CMailListView(const FolderDefinition& folder) : m_folder(folder)
{
    setCursor(Qt::ArrowCursor);
    m_layout.owner = this;
    m_layout.spacing = 0;
}

CMailListView::~CMailListView()
{
    if (m_grid)
        SaveColumnWidths(m_grid, m_folder.className);
}

void CMailListView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_grid)
        return;
    CreateWindowContents();
}

void CMailListView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_layout.Arrange(width(), height());
}

void CMailListView::CreateWindowContents()
{
    CreateToolbar(m_layout.AddRow(24, kFixed));
    CreateGrid(m_layout.AddRow(100, kStretch));
    const bool usedBefore = HasStoredColumnWidths(m_folder.className);
    DeclareAndFill();
    ApplyAfterFillStep();
    if (!usedBefore)
        SizeColumnsToRows();
    m_layout.Arrange(width(), height());
}

void CMailListView::CreateToolbar(CLayoutRow* row)
{
    m_toolbar = new CLayoutCtrl;
    m_toolbar->Create(QRect(), this, 0, kStyleChild | kStyleVisible);
    m_layout.AttachItem(row, m_toolbar, 100, kStretch);

    CLayoutRow* buttons = m_toolbar->AddRow(20, kFixed);
    if (!m_folder.caption.empty())
        m_toolbar->AddLabel(buttons, m_folder.caption, 0, m_folder.captionWidth, kStretch);
    const std::string imageFolder = GetModuleDir() + "images/";
    for (const FolderButton& button : m_folder.buttons) {
        CImageButton* control =
            m_toolbar->AddButton(buttons, button.caption, button.command, button.width, kFixed);
        control->SetImageFile(imageFolder + button.image, kImageTransparent);
    }
    m_toolbar->AddRow(2, kFixed);
}

void CMailListView::CreateGrid(CLayoutRow* row)
{
    m_grid = new CGridCtrl;
    m_grid->Create(this, m_folder.gridId);
    m_layout.AttachItem(row, m_grid, 100, kStretch);
    m_grid->SetFixedRowCount(1);
    m_grid->SetEditable(false);
    m_grid->SetListMode(true);
    m_binding.AttachGrid(m_grid);
}

void CMailListView::DeclareAndFill()
{
    m_strTable = m_folder.table;
    m_strKeyColumn = m_folder.keyColumn;
    DeclareFolder(m_binding, m_folder, m_strUserName);
    m_binding.SetupColumns();
    for (int col = 0; col < static_cast<int>(m_folder.columns.size()); ++col)
        if (m_folder.columns[col].hidden)
            m_grid->SetColumnWidth(col, 0);
    LoadColumnWidths(m_grid, m_folder.className);
    // Undecodable bytes in the name would be folded on the database's
    // side into another user's name: such a view lists nothing.
    if (!vellum::text::IsValidHostText(m_strUserName)) {
        ShowMessage(FromUtf8("用户名含有无效字符，无法列出邮件"));
        return;
    }
    if (m_binding.Fill(m_pSession) < 1)
        ShowMessage(m_binding.GetLastErrorText());
}

// The header row alone sizes the columns before the fill, which cuts every
// subject and time short. A view opened for the first time (no stored
// widths) sizes its visible columns to the rows it shows, each at most as
// wide as a stored width may be; after that the user's widths rule.
void CMailListView::SizeColumnsToRows()
{
    for (int col = 0; col < m_grid->GetColumnCount(); ++col)
        if (m_grid->AutoSizeColumn(col, GridAutoSizeBoth))
            m_grid->SetColumnWidth(col, std::min(m_grid->GetColumnWidth(col), kWidestFirstWidth));
}

void CMailListView::ApplyAfterFillStep()
{
    ApplyAfterFill(m_binding, m_folder);
}

void CMailListView::ShowMessage(const std::string& text)
{
    MessageBox(text, MessageButtons::Ok, this);
}

bool CMailListView::OnCommand(int id)
{
    if (id == m_folder.deleteCommand) {
        DeleteSelectedRows();
        return true;
    }
    if (id == kSearchCommand && !m_folder.searchFields.empty()) {
        SearchRows();
        return true;
    }
    return false;
}

std::optional<long> CMailListView::OnNotify(const Notification& notification)
{
    if (notification.controlId != m_folder.gridId)
        return std::nullopt;
    if (notification.code == GridNotifyDoubleClick) {
        PostCommand(this, kOpenCommand);
        return 0;
    }
    if (notification.code == GridNotifyRightClick)
        return 0;
    return std::nullopt;
}

int CMailListView::FirstSelectedRowOrComplain()
{
    GridCellRange range = m_grid ? m_grid->GetSelectedRange() : GridCellRange{};
    if (!range.IsValid()) {
        ShowMessage(FromUtf8("请选择要修改的任务!"));
        return -1;
    }
    return range.minRow;
}

int CMailListView::ReadSelectedMail(int keyColumn, const std::string& table)
{
    int row = FirstSelectedRowOrComplain();
    if (row < 0)
        return -1;
    CMailReadDlg dialog;
    dialog.m_nKeyId = LeadingInt(m_grid->GetText(row, keyColumn));
    dialog.m_strTable = table;
    dialog.m_strUserName = m_strUserName;
    dialog.m_pSession = m_pSession;
    dialog.DoModal(this);
    return row;
}

void CMailListView::DeleteSelectedRows()
{
    if (!m_grid)
        return;
    GridCellRange range = m_grid->GetSelectedRange();
    if (!range.IsValid()) {
        ShowMessage(FromUtf8("请选择要删除的信息"));
        return;
    }
    if (MessageBox(FromUtf8("确定要删除选择的信息吗?"), MessageButtons::OkCancel, this) !=
        MessageAnswer::Ok)
        return;
    std::vector<int> leaving;
    for (int row = range.maxRow; row >= range.minRow; --row) {
        if (!m_grid->IsCellSelected(row, 1))
            continue;
        leaving.push_back(row);
        if (!DeleteRowFromTable(row))
            break;
    }
    for (int row : leaving)
        m_grid->DeleteRow(row);
    m_grid->Refresh();
}

bool CMailListView::DeleteRowFromTable(int row)
{
    std::string sql = "delete from " + m_strTable + " where " + m_strKeyColumn + " =" +
                      WithQuotesDoubled(m_grid->GetText(row, 0));
    if (m_pSession && m_pSession->Execute(sql.c_str()) == 1)
        return true;
    std::string error = m_pSession ? m_pSession->GetLastErrorText() : std::string();
    return MessageBox(error + FromUtf8("\r\n\r\n是否继续?"), MessageButtons::YesNo, this) ==
           MessageAnswer::Yes;
}

void CMailListView::SearchRows()
{
    CInputFormDlg form;
    form.SetTitle(FromUtf8("查找"));
    for (const FolderSearchField& field : m_folder.searchFields)
        form.AddField(field.field, field.label);
    if (form.DoModal(this) != kDialogOk)
        return;
    m_binding.ClearWhere();
    for (const std::string& condition : FolderConditions(m_folder, m_strUserName))
        m_binding.AddWhere(condition);
    for (const FolderSearchField& field : m_folder.searchFields) {
        std::string condition =
            SearchCondition(field.field, form.GetValue(field.field).value_or(""));
        if (!condition.empty())
            m_binding.AddWhere(condition);
    }
    if (m_binding.Fill(m_pSession) < 1)
        ShowMessage(m_binding.GetLastErrorText() + m_binding.GetStatement());
    ApplyAfterFillStep();
}
