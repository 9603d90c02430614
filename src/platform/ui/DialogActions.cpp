// Pressing goes through QAbstractButton::click, so the button's own click
// handling (toggling, reporting to its window) runs as for a mouse click.
#include "platform/ui/DialogActions.h"

#include "platform/ui/ControlId.h"
#include "platform/ui/WindowText.h"

#include <QAbstractButton>

namespace vellum::ui {

bool FillControl(QWidget& dialog, int id, const std::string& hostText)
{
    QWidget* control = FindControl(&dialog, id);
    if (!control)
        return false;
    SetWindowText(control, hostText);
    return true;
}

bool CheckControl(QWidget& dialog, int id, int state)
{
    auto* button = qobject_cast<QAbstractButton*>(FindControl(&dialog, id));
    if (!button || !button->isEnabled() || !button->isCheckable())
        return false;
    SetCheck(button, state);
    return true;
}

bool PressControl(QWidget& dialog, int id)
{
    auto* button = qobject_cast<QAbstractButton*>(FindControl(&dialog, id));
    if (!button || !button->isEnabled())
        return false;
    button->click();
    return true;
}

} // namespace vellum::ui
