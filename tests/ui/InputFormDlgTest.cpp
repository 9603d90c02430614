// The input form run through the scripted person: identifiers, heights, the
// control types, reading back on OK, and values set on the live form.
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

    desktop.ActInModal([&](QWidget& dialog) {
        // Label 24, edit 24, check box 24, text area 24 + 3 * 24, combo 24.
        EXPECT_EQ(dialog.size(), QSize(500, 24 * 4 + 96 + 100));
        QWidget* label = FindControl(&dialog, 2001);
        EXPECT_TRUE(label && !qobject_cast<QLineEdit*>(label));
        EXPECT_TRUE(qobject_cast<QLineEdit*>(FindControl(&dialog, 2002)));
        auto* box = qobject_cast<QCheckBox*>(FindControl(&dialog, 2003));
        EXPECT_TRUE(box && box->isChecked());
        auto* area = qobject_cast<QPlainTextEdit*>(FindControl(&dialog, 2004));
        auto* combo = qobject_cast<QComboBox*>(FindControl(&dialog, 2005));
        EXPECT_EQ(FindControl(&dialog, 2006), nullptr);
        // A failed assertion leaves OK unpressed, and the form's result says so.
        ASSERT_TRUE(area && combo);
        EXPECT_EQ(area->height(), 72);
        EXPECT_EQ(area->toPlainText(), "line one\nline two");
        QStringList entries;
        for (int i = 0; i < combo->count(); ++i)
            entries << combo->itemText(i);
        EXPECT_EQ(entries, (QStringList{"Small", "Large"}));
        EXPECT_EQ(combo->currentText(), "Huge");
        FillControl(dialog, 2004, "a\nb");
        PressControl(dialog, 1);
    });
    ASSERT_EQ(form.DoModal(), kDialogOk);
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
    desktop.ActInModal([&](QWidget& dialog) {
        auto* box = qobject_cast<QCheckBox*>(FindControl(&dialog, 2001));
        auto* combo = qobject_cast<QComboBox*>(FindControl(&dialog, 2002));
        auto* text = qobject_cast<QLineEdit*>(FindControl(&dialog, 2003));
        ASSERT_TRUE(box && combo && text);
        form.SetValue("Box", "1");
        EXPECT_TRUE(box->isChecked());
        form.SetValue("Box", "x");
        EXPECT_FALSE(box->isChecked());
        // The search starts after the first entry, so "Alpine" (third) wins
        // over "alpha" (first).
        form.SetValue("Pick", "AL");
        EXPECT_EQ(combo->currentText(), "Alpine");
        form.SetValue("Pick", "zzz");
        EXPECT_EQ(combo->currentText(), "Alpine");
        form.SetValue("Text", "live");
        EXPECT_EQ(text->text(), "live");
    });
    form.DoModal();
    EXPECT_EQ(desktop.ModalCaptions().size(), 1u) << "the checks ran in the shown form";
}

} // namespace
