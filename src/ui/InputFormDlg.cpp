// Building compares ControlType without regard to case, but reading back and
// SetValue recognise "CHECKBOX" and "COMBOBOX" only as written in capitals:
// a lower-case "checkbox" field is built as a check box yet gives back its
// caption on OK. Callers rely on the capitals, and the quirk is kept.
#include "ui/InputFormDlg.h"

#include "base/NameCompare.h"
#include "base/TextHelpers.h"
#include "platform/text/CodePage.h"
#include "platform/ui/CommandTarget.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/DesktopServices.h"
#include "platform/ui/QtText.h"
#include "platform/ui/WindowText.h"
#include "ui/CaptionLabel.h"
#include "ui/ImageButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <cstdlib>

using namespace vellum::ui;

namespace {

constexpr int kRowHeight = 24;
constexpr int kCaptionWidth = 80;
constexpr int kFieldWidth = 100;
constexpr int kComboListHeight = 200;
constexpr int kStretch = 0;
constexpr int kFixed = 3;

std::vector<std::string> ComboEntries(const std::string& valueList)
{
    std::vector<std::string> pieces;
    SplitString(valueList, '\n', pieces);
    for (std::string& piece : pieces)
        std::erase(piece, '\r');
    return pieces;
}

// The entry that begins with the text (any letter case), searching from the
// second entry and wrapping round to the first; -1 when none does.
int FindEntryStartingWith(const QComboBox* combo, const QString& text)
{
    const int count = combo->count();
    for (int step = 1; step <= count; ++step) {
        int index = step % count;
        if (combo->itemText(index).startsWith(text, Qt::CaseInsensitive))
            return index;
    }
    return -1;
}

} // namespace

CInputFormDlg::CInputFormDlg(QWidget* parent) : CBackdropDialog(parent)
{
}

void CInputFormDlg::SetTitle(const std::string& title)
{
    document_.Set(".", "Title", title);
}

void CInputFormDlg::AddField(const std::string& name, const std::string& caption)
{
    document_.Set(name, "Caption", caption);
    document_.Set(name, "ControlType", "EDIT");
}

std::optional<std::string> CInputFormDlg::GetValue(const std::string& name)
{
    return document_.Get(name, "Value");
}

QWidget* CInputFormDlg::LiveControl(const std::string& name)
{
    if (!WindowExists())
        return nullptr;
    int id = document_.GetInt(name, "ControlId");
    if (id < 1)
        return nullptr;
    return FindControl(this, id);
}

void CInputFormDlg::SetValue(const std::string& name, const std::string& value)
{
    document_.Set(name, "Value", value);
    QWidget* control = LiveControl(name);
    if (!control)
        return;
    std::string type = document_.Get(name, "ControlType").value_or("");
    if (type == "CHECKBOX") {
        SetCheck(control, document_.GetInt(name, "Value"));
        return;
    }
    if (type == "COMBOBOX") {
        auto* combo = qobject_cast<QComboBox*>(control);
        if (!combo || combo->count() == 0)
            return;
        int index = FindEntryStartingWith(combo, ToQString(value));
        if (index >= 0)
            combo->setCurrentIndex(index);
        return;
    }
    SetWindowText(control, value);
}

// Returns the height the field added to the form, 0 for an unknown type (no
// control, no identifier used).
int CInputFormDlg::AddFieldRows(const std::string& name, int id)
{
    const std::string type = document_.Get(name, "ControlType").value_or("");
    const std::string caption = document_.Get(name, "Caption").value_or("");
    const std::string value = document_.Get(name, "Value").value_or("");
    QWidget* control = nullptr;
    int height = kRowHeight;

    if (SameNameIgnoringCase(type, "LABEL")) {
        CLayoutRow* row = layout_.AddRow(kRowHeight, kRowFixedHeight | 1);
        control = layout_.AddLabel(row, caption, id, kFieldWidth, kStretch);
    } else if (SameNameIgnoringCase(type, "EDIT")) {
        CLayoutRow* row = layout_.AddRow(kRowHeight, kRowFixedHeight | 1);
        layout_.AddLabel(row, caption, 0, kCaptionWidth, kFixed);
        control = layout_.AddEdit(row, id, kFieldWidth, kStretch);
        SetWindowText(control, value);
    } else if (SameNameIgnoringCase(type, "CHECKBOX")) {
        CLayoutRow* row = layout_.AddRow(kRowHeight, kRowFixedHeight | 1);
        layout_.AddLabel(row, "", 0, kCaptionWidth, kFixed);
        auto* box = new QCheckBox(ToQString(caption), this);
        box->setFocusPolicy(Qt::StrongFocus);
        box->setChecked(value == "1");
        RouteClicks(box);
        box->show();
        layout_.AddItem(row, box, kFieldWidth, kStretch);
        control = box;
    } else if (SameNameIgnoringCase(type, "TEXTAREA")) {
        CLayoutRow* captionRow = layout_.AddRow(kRowHeight, kRowFixedHeight | 1);
        layout_.AddLabel(captionRow, caption, 0, 10, kStretch);
        int rowCount = document_.GetInt(name, "RowCount");
        if (rowCount < 0)
            rowCount = 0;
        CLayoutRow* row = layout_.AddRow(rowCount * kRowHeight, kRowFixedHeight | 1);
        auto* area = new QPlainTextEdit(this);
        area->setLineWrapMode(QPlainTextEdit::NoWrap);
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        area->setTabChangesFocus(true);
        area->show();
        layout_.AddItem(row, area, kFieldWidth, kStretch);
        SetWindowText(area, value);
        control = area;
        height = rowCount * kRowHeight + kRowHeight;
    } else if (SameNameIgnoringCase(type, "COMBOBOX")) {
        CLayoutRow* row = layout_.AddRow(kRowHeight, kRowFixedHeight | 1);
        layout_.AddLabel(row, caption, 0, kCaptionWidth, kFixed);
        auto* combo = new QComboBox(this);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setFocusPolicy(Qt::StrongFocus);
        for (const std::string& entry : ComboEntries(document_.Get(name, "ValueList").value_or("")))
            combo->addItem(ToQString(entry));
        combo->show();
        CLayoutItem* item = layout_.AddItem(row, combo, kFieldWidth, kStretch);
        item->height = kComboListHeight;
        combo->setEditText(ToQString(value));
        control = combo;
    } else {
        return 0;
    }
    SetControlId(control, id);
    document_.SetInt(name, "ControlId", id);
    return height;
}

// Spacers of width 0 on both sides share the spare width equally, which
// keeps the two buttons centred with 100 pixels between them. The two are
// raised like a dialog's push buttons: flat, with nothing but a caption on
// the dialog's ground, they read as labels.
void CInputFormDlg::AddButtonRow()
{
    layout_.AddRow(20, kRowFixedHeight | 1);
    CLayoutRow* row = layout_.AddRow(kRowHeight, kRowFixedHeight | 1);
    layout_.AddItem(row, nullptr, 0, kStretch);
    layout_.AddButton(row, vellum::text::FromUtf8("确定"), kDialogOk, 80, kFixed)->SetFlat(false);
    layout_.AddItem(row, nullptr, 100, kFixed);
    layout_.AddButton(row, vellum::text::FromUtf8("取消"), kDialogCancel, 80, kFixed)
        ->SetFlat(false);
    layout_.AddItem(row, nullptr, 0, kStretch);
}

void CInputFormDlg::OnInitDialog()
{
    setWindowTitle(ToQString(document_.Get(".", "Title").value_or("")));
    SetSize(kWidth, 100);
    layout_.owner = this;

    int id = kFirstControlId;
    int h = 0;
    std::vector<std::string> sections;
    document_.GetSectionNames(&sections);
    for (const std::string& name : sections) {
        if (name.empty() || name == ".")
            continue;
        int added = AddFieldRows(name, id);
        if (added == 0)
            continue;
        h += added;
        ++id;
    }
    AddButtonRow();

    SetSize(kWidth, h + 100);
    CenterOnParent();
    update();
    layout_.Arrange(width(), height());
}

void CInputFormDlg::OnOK()
{
    std::vector<std::string> sections;
    document_.GetSectionNames(&sections);
    for (const std::string& name : sections) {
        if (name.empty() || name == ".")
            continue;
        QWidget* control = LiveControl(name);
        if (!control)
            continue;
        if (document_.Get(name, "ControlType").value_or("") == "CHECKBOX")
            document_.SetInt(name, "Value", GetCheck(control));
        else
            document_.Set(name, "Value", GetWindowText(control));
    }
    CBackdropDialog::OnOK();
}

void CInputFormDlg::OnDestroyWindow()
{
    layout_.RemoveAll();
}

void CInputFormDlg::resizeEvent(QResizeEvent* event)
{
    CBackdropDialog::resizeEvent(event);
    if (WindowExists())
        layout_.Arrange(width(), height());
}
