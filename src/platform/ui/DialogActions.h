// What a scripted person does inside a dialog, by control identifier: type
// into a field, tick a box, press a button. Tests use these from the actions
// they hand to ScriptedDesktop::ActInModal.
#pragma once

#include <string>

class QWidget;

namespace vellum::ui {

// Each returns false when the dialog has no such control (or, for Press and
// Check, when it is not a button or is disabled).
bool FillControl(QWidget& dialog, int id, const std::string& hostText);
bool CheckControl(QWidget& dialog, int id, int state);
bool PressControl(QWidget& dialog, int id);

} // namespace vellum::ui
