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

TEST(BackdropDialog, ToolbarCommandsReachTheDialogAndOkEndsIt)
{
    EnsureApplication();
    ScriptedDesktop desktop;
    ScopedDesktop installed(desktop);
    SaveDialog dialog;
    EXPECT_EQ(dialog.size(),
              QSize(CBackdropDialog::kInitialWidth, CBackdropDialog::kInitialHeight));
    bool existed = false;
    desktop.ActInModal([&](QWidget& shown) {
        existed = dialog.WindowExists();
        EXPECT_TRUE(PressControl(shown, 6010));
        EXPECT_TRUE(PressControl(shown, 6010));
        EXPECT_TRUE(shown.isVisible()); // Save keeps the dialog open
        EXPECT_TRUE(PressControl(shown, 1));
    });
    EXPECT_EQ(dialog.DoModal(), kDialogOk);
    EXPECT_TRUE(existed);
    EXPECT_FALSE(dialog.WindowExists());
    EXPECT_EQ(dialog.saves, 2);
    EXPECT_EQ(dialog.inits, 1);
    EXPECT_EQ(dialog.destroys, 1);
}

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

TEST(BackdropDialog, SetSizeOnlyWhileTheWindowExistsAndTheBackColourFillsIt)
{
    EnsureApplication();
    ScriptedDesktop desktop;
    ScopedDesktop installed(desktop);
    CBackdropDialog dialog;
    EXPECT_EQ(dialog.backColor, GetSystemColor(SystemColor::ButtonFace));
    dialog.SetSize(100, 50);
    EXPECT_EQ(dialog.size(),
              QSize(CBackdropDialog::kInitialWidth, CBackdropDialog::kInitialHeight));

    dialog.backColor = MakeColorRef(0, 0, 255);
    QImage shot;
    desktop.ActInModal([&](QWidget& shown) {
        dialog.SetSize(120, 60);
        shot = shown.grab().toImage();
    });
    dialog.DoModal();
    EXPECT_EQ(shot.size() / shot.devicePixelRatio(), QSize(120, 60));
    EXPECT_EQ(QColor(shot.pixel(60, 30)), QColor(0, 0, 255));
}

TEST(CaptionLabel, PaintsItsOwnBackColourOrTheButtonFace)
{
    EnsureApplication();
    CCaptionLabel label;
    label.resize(60, 20);
    label.setText(QString::fromUtf8("主题"));
    EXPECT_EQ(label.EffectiveBackColor(), GetSystemColor(SystemColor::ButtonFace));
    EXPECT_EQ(label.charHeight, 12);
    EXPECT_EQ(label.faceUtf8, "宋体");
    label.backColor = MakeColorRef(255, 0, 0);
    label.textColor = MakeColorRef(0, 0, 255);
    QImage shot = label.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(59, 19)), QColor(255, 0, 0));
    // Text is drawn from two pixels down: the top rows stay background.
    for (int x = 0; x < 60; ++x)
        EXPECT_EQ(QColor(shot.pixel(x, 0)), QColor(255, 0, 0)) << x;
    bool bluish = false;
    for (int y = 2; y < 20 && !bluish; ++y)
        for (int x = 0; x < 30 && !bluish; ++x)
            bluish = QColor(shot.pixel(x, y)).blue() > 128 && QColor(shot.pixel(x, y)).red() < 128;
    EXPECT_TRUE(bluish);
}

} // namespace
