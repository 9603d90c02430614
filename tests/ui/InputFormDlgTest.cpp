// The input form run through the scripted person: identifiers, heights, the
// control types, reading back on OK (with the lower-case CHECKBOX quirk) and
// nothing changed on Cancel.
#include "ui/InputFormDlg.h"

#include "platform/ui/Application.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/DialogActions.h"
#include "platform/ui/ScriptedDesktop.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

using namespace vellum::ui;

namespace {

class InputFormDlgTest : public ::testing::Test
{
protected:
    void SetUp() override { EnsureApplication(); }

    ScriptedDesktop desktop;
    ScopedDesktop installed{desktop};
};

TEST_F(InputFormDlgTest, EveryControlTypeWithItsIdentifierAndHeight)
{
    CInputFormDlg form;
    CIniDocument& doc = form.GetDocument();
    doc.Set("Note", "Caption", "Read me");
    doc.Set("Note", "ControlType", "LABEL");
    doc.Set("Name", "Caption", "Name");
    doc.Set("Name", "ControlType", "edit");  // any case builds
    doc.Set("Odd", "ControlType", "SLIDER"); // unknown: skipped, no identifier
    doc.Set("Urgent", "Caption", "Urgent");
    doc.Set("Urgent", "ControlType", "CHECKBOX");
    doc.Set("Urgent", "Value", "1");
    doc.Set("Body", "Caption", "Body");
    doc.Set("Body", "ControlType", "TEXTAREA");
    doc.Set("Body", "RowCount", "3");
    doc.Set("Body", "Value", "line one\r\nline two");
    doc.Set("Size", "Caption", "Size");
    doc.Set("Size", "ControlType", "COMBOBOX");
    doc.Set("Size", "ValueList", "Small\r\nLarge\r\n");
    doc.Set("Size", "Value", "Huge");

    QSize size;
    QWidget *label = nullptr, *edit = nullptr, *box = nullptr, *area = nullptr, *combo = nullptr;
    QStringList entries;
    QString comboText, areaText;
    desktop.ActInModal([&](QWidget& dialog) {
        size = dialog.size();
        label = FindControl(&dialog, 2001);
        edit = FindControl(&dialog, 2002);
        box = FindControl(&dialog, 2003);
        area = FindControl(&dialog, 2004);
        combo = FindControl(&dialog, 2005);
        auto* list = qobject_cast<QComboBox*>(combo);
        for (int i = 0; list && i < list->count(); ++i)
            entries << list->itemText(i);
        if (list)
            comboText = list->currentText();
        if (auto* text = qobject_cast<QPlainTextEdit*>(area))
            areaText = text->toPlainText();
        EXPECT_EQ(FindControl(&dialog, 2006), nullptr);
        EXPECT_EQ(area ? area->height() : 0, 72);
        EXPECT_TRUE(qobject_cast<QCheckBox*>(box) && qobject_cast<QCheckBox*>(box)->isChecked());
        EXPECT_TRUE(qobject_cast<QLineEdit*>(edit));
        EXPECT_TRUE(label && !qobject_cast<QLineEdit*>(label));
        FillControl(dialog, 2004, "a\nb");
        PressControl(dialog, 1);
    });
    ASSERT_EQ(form.DoModal(), kDialogOk);
    // Label 24, edit 24, check box 24, text area 24 + 3 * 24, combo 24.
    EXPECT_EQ(size, QSize(500, 24 * 4 + 96 + 100));
    EXPECT_EQ(entries, (QStringList{"Small", "Large"}));
    EXPECT_EQ(comboText, "Huge");
    EXPECT_EQ(areaText, "line one\nline two");
    EXPECT_EQ(doc.Get("Odd", "ControlId"), std::nullopt);
    EXPECT_EQ(doc.Get("Size", "ControlId"), "2005");
    EXPECT_EQ(doc.Get("Urgent", "Value"), "1");
    EXPECT_EQ(doc.Get("Body", "Value"), "a\r\nb");
    EXPECT_EQ(doc.Get("Size", "Value"), "Huge");
    EXPECT_EQ(doc.Get("Note", "Value"), "Read me"); // a label's text reads back too
}

TEST_F(InputFormDlgTest, SetValueOnTheLiveFormFollowsTheControlType)
{
    CInputFormDlg form;
    CIniDocument& doc = form.GetDocument();
    doc.Set("Box", "ControlType", "CHECKBOX");
    doc.Set("Pick", "ControlType", "COMBOBOX");
    doc.Set("Pick", "ValueList", "alpha\nbeta\nAlpine\n");
    form.AddField("Text", "T");
    int checkedAfterOne = -1, checkedAfterNone = -1;
    QString picked, pickedAfterMiss, text;
    desktop.ActInModal([&](QWidget& dialog) {
        form.SetValue("Box", "1");
        checkedAfterOne = qobject_cast<QCheckBox*>(FindControl(&dialog, 2001))->isChecked();
        form.SetValue("Box", "x");
        checkedAfterNone = qobject_cast<QCheckBox*>(FindControl(&dialog, 2001))->isChecked();
        auto* combo = qobject_cast<QComboBox*>(FindControl(&dialog, 2002));
        // The search starts after the first entry, so "Alpine" (third) wins
        // over "alpha" (first).
        form.SetValue("Pick", "AL");
        picked = combo->currentText();
        form.SetValue("Pick", "zzz");
        pickedAfterMiss = combo->currentText();
        form.SetValue("Text", "live");
        text = qobject_cast<QLineEdit*>(FindControl(&dialog, 2003))->text();
    });
    form.DoModal();
    EXPECT_EQ(checkedAfterOne, 1);
    EXPECT_EQ(checkedAfterNone, 0);
    EXPECT_EQ(picked, "Alpine");
    EXPECT_EQ(pickedAfterMiss, "Alpine");
    EXPECT_EQ(text, "live");
}

} // namespace
