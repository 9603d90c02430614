// The dialog base: its modal run through the desktop seam, OK and Cancel as
// commands 1 and 2 from anywhere inside, the close box and Enter, SetSize
// only while the window exists, and its painted back colour; the caption
// label's own colours.
#include "ui/BackdropDialog.h"

#include "platform/ui/Application.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/DialogActions.h"
#include "platform/ui/QtColor.h"
#include "platform/ui/ScriptedDesktop.h"
#include "platform/ui/SystemColors.h"
#include "platform/ui/WindowStyles.h"
#include "ui/CaptionLabel.h"
#include "ui/ImageButton.h"
#include "ui/LayoutCtrl.h"

#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

using namespace vellum::ui;

namespace {

// A dialog that builds one toolbar with a Save button (handled here) and
// OK; it counts the window's lifetime hooks.
class SaveDialog : public CBackdropDialog
{
public:
    bool OnCommand(int id) override
    {
        if (id == 6010) {
            ++saves;
            return true;
        }
        return CBackdropDialog::OnCommand(id);
    }

    int saves = 0;
    int inits = 0;
    int destroys = 0;

protected:
    void OnInitDialog() override
    {
        ++inits;
        auto* bar = new CLayoutCtrl(this);
        bar->Create(QRect(0, 0, 300, 24), this, 0, kStyleVisible);
        CLayoutRow* row = bar->AddRow(20, 3);
        bar->AddButton(row, "Save", 6010, 60, 3);
        bar->AddButton(row, "OK", 1, 60, 3);
        bar->Relayout();
    }
    void OnDestroyWindow() override { ++destroys; }
};

TEST(BackdropDialog, CloseBoxCancelsAndEnterPressesTheDefaultButton)
{
    EnsureApplication();
    ScriptedDesktop desktop;
    ScopedDesktop installed(desktop);
    CBackdropDialog closed;
    desktop.ActInModal([](QWidget& shown) { shown.close(); });
    EXPECT_EQ(closed.DoModal(), kDialogCancel);

    CBackdropDialog withDefault;
    auto* other = new CImageButton(&withDefault);
    other->Create("Other", kStyleVisible | kButtonDefaultPush, &withDefault, 77);
    int otherClicks = 0;
    QObject::connect(other, &QAbstractButton::clicked, [&] {
        ++otherClicks;
        withDefault.done(5);
    });
    desktop.ActInModal([](QWidget& shown) {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&shown, &enter);
    });
    EXPECT_EQ(withDefault.DoModal(), 5);
    EXPECT_EQ(otherClicks, 1);
}

} // namespace
