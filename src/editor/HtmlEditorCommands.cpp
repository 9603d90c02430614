// What each toolbar and table-menu command does. Most map onto one engine
// command run with prompting (so the link and picture questions appear);
// colours, fonts and tables need a question or a conversion first.
#include "editor/HtmlEditor.h"
#include "html/CellMoves.h"
#include "html/CommandTarget.h"
#include "html/InlineStyle.h"
#include "htmlview/HtmlView.h"
#include "platform/text/CodePage.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/DesktopServices.h"
#include "platform/ui/QtText.h"
#include "ui/InputFormDlg.h"
#include "ui/LayoutCtrl.h"

#include <QComboBox>

#include <cstdio>
#include <cstdlib>
#include <map>

using namespace vellum::html;
using namespace vellum::ui;
using vellum::text::FromUtf8;

namespace {

constexpr int kSmallestFontSize = 4;
constexpr int kLargestFontSize = 99;

// Toolbar commands that are one engine command each.
const std::map<int, int>& EngineCommands()
{
    static const std::map<int, int> commands = {
        {CHtmlEditor::kCopy, command::Copy},
        {CHtmlEditor::kPaste, command::Paste},
        {CHtmlEditor::kCut, command::Cut},
        {CHtmlEditor::kBold, command::Bold},
        {CHtmlEditor::kItalic, command::Italic},
        {CHtmlEditor::kUnderline, command::Underline},
        {CHtmlEditor::kAlignLeft, command::JustifyLeft},
        {CHtmlEditor::kAlignRight, command::JustifyRight},
        {CHtmlEditor::kAlignCenter, command::JustifyCenter},
        {CHtmlEditor::kOrderedList, command::OrderList},
        {CHtmlEditor::kBulletedList, command::UnorderList},
        {CHtmlEditor::kHorizontalLine, command::HorizontalLine},
        {CHtmlEditor::kHyperlink, command::Hyperlink},
        {CHtmlEditor::kImage, command::Image},
    };
    return commands;
}

std::string ColorText(ColorRef color)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", RedOf(color), GreenOf(color), BlueOf(color));
    return text;
}

int ReadInteger(const std::optional<std::string>& text)
{
    return text ? std::atoi(text->c_str()) : 0;
}

} // namespace

bool CHtmlEditor::OnCommand(int id)
{
    if (auto engine = EngineCommands().find(id); engine != EngineCommands().end()) {
        ExecWithPrompt(engine->second, CommandValue::Integer(0));
        return true;
    }
    switch (id) {
    case 0: // a dismissed table menu
        return true;
    case kSourceToggle:
        SwitchSourceView();
        return true;
    case kTextColor:
        ChooseColor(command::ForeColor);
        return true;
    case kBackColor:
        ChooseColor(command::BackColor);
        return true;
    case kTableMenu:
        ShowTableMenu();
        return true;
    case kInsertTable:
        InsertTableFromForm();
        return true;
    case kInsertRowAbove:
    case kInsertRowBelow:
        document_.InsertRow(id == kInsertRowBelow);
        return true;
    case kInsertColumnLeft:
    case kInsertColumnRight:
        document_.InsertColumn(id == kInsertColumnRight);
        return true;
    case kDeleteRow:
        document_.DeleteRow();
        return true;
    case kDeleteColumn:
        document_.DeleteColumn();
        return true;
    case kRefreshToolbar:
        RefreshToolbar();
        return true;
    default:
        return false;
    }
}

// The keyboard goes back to the text after a toolbar click, and the
// toolbar shows the state the command left.
bool CHtmlEditor::ExecWithPrompt(int commandId, const CommandValue& argument)
{
    bool done = document_.ExecCommand(commandId, argument, true);
    if (!sourceMode_)
        view_->setFocus(Qt::OtherFocusReason);
    RefreshToolbar();
    return done;
}

void CHtmlEditor::ChooseColor(int commandId)
{
    std::optional<ColorRef> color = CurrentDesktop().ChooseColor(this, 0);
    if (!color)
        return;
    ExecWithPrompt(commandId, CommandValue::String(Utf16FromAscii(ColorText(*color))));
}

void CHtmlEditor::OnFontNameChosen()
{
    auto* list = qobject_cast<QComboBox*>(FindControl(toolbar_, kFontName));
    if (!list)
        return;
    if (!ExecWithPrompt(command::FontName,
                        CommandValue::String(list->currentText().toStdU16String())))
        ErrorMessageBox("Change Font Name failed!", this);
}

void CHtmlEditor::OnFontSizeChosen()
{
    auto* list = qobject_cast<QComboBox*>(FindControl(toolbar_, kFontSize));
    if (!list)
        return;
    int pixels = std::atoi(FromQString(list->currentText()).c_str());
    if (pixels < kSmallestFontSize || pixels > kLargestFontSize)
        return;
    if (!ExecWithPrompt(CHtmlDocument::kFontSizePixels, CommandValue::Integer(pixels)))
        ErrorMessageBox("Change Font Size failed!", this);
}

// The row and column entries make sense only with the caret in a cell.
void CHtmlEditor::ShowTableMenu()
{
    std::vector<MenuEntry> entries = {{kInsertTable, FromUtf8("插入表格")}};
    if (document_.GetCurrentCell()) {
        entries.push_back({kInsertRowAbove, FromUtf8("插入行(在上方)")});
        entries.push_back({kInsertRowBelow, FromUtf8("插入行(在下方)")});
        entries.push_back({kInsertColumnLeft, FromUtf8("插入列(在左侧)")});
        entries.push_back({kInsertColumnRight, FromUtf8("插入列(在右侧)")});
        entries.push_back({kDeleteRow, FromUtf8("删除行")});
        entries.push_back({kDeleteColumn, FromUtf8("删除列")});
    }
    QWidget* button = FindControl(toolbar_, kTableMenu);
    QPoint corner = button ? button->mapToGlobal(button->rect().bottomLeft() + QPoint(0, 1))
                           : mapToGlobal(QPoint(0, kToolbarHeight));
    int chosen = CurrentDesktop().TrackPopupMenu(this, entries, corner.x(), corner.y());
    PostCommand(this, chosen);
}

void CHtmlEditor::InsertTableFromForm()
{
    CInputFormDlg form(this);
    form.SetTitle(FromUtf8("插入表格"));
    form.AddField("RowCount", FromUtf8("行数"));
    form.SetValue("RowCount", "2");
    form.AddField("ColumnCount", FromUtf8("列数"));
    form.SetValue("ColumnCount", "5");
    if (form.DoModal(this) != kDialogOk)
        return;
    int rows = std::max(1, ReadInteger(form.GetValue("RowCount")));
    int columns = std::max(1, ReadInteger(form.GetValue("ColumnCount")));
    std::u16string html = u"<TABLE cellSpacing=0 cellPadding=2 border='1' width=600"
                          u" bordercolordark=white bordercolorwhite='#000000'>";
    for (int row = 0; row < rows; ++row) {
        html += u"<TR>";
        for (int column = 0; column < columns; ++column)
            html += u"<TD>&nbsp;</TD>";
        html += u"</TR>";
    }
    html += u"</TABLE>";
    if (document_.InsertHTML(html))
        vellum::html::EnterTableBeforeCaret(*document_.GetDocument());
    view_->setFocus(Qt::OtherFocusReason);
}
