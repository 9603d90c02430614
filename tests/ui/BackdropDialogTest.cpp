// The dialog base run modally through the desktop seam: the close box
// cancels, and Enter presses the default button inside.
#include "ui/BackdropDialog.h"

#include "platform/ui/Application.h"
#include "platform/ui/ScriptedDesktop.h"
#include "platform/ui/WindowStyles.h"
#include "ui/ImageButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

using namespace vellum::ui;

namespace {

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
