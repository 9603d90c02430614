// The text and check state of any control, as the platform's window text and
// check-box queries give them: an edit's contents, a button's caption, a
// combo box's edit text, a label's text. Texts are host code page bytes.
// Multi-line edits give their lines separated by CR LF, as the platform's
// multi-line edit control does.
#pragma once

#include <string>

class QWidget;

namespace vellum::ui {

std::string GetWindowText(const QWidget* control);
void SetWindowText(QWidget* control, const std::string& hostText);

// 0 clear, 1 checked; 0 for a control that cannot be checked.
int GetCheck(const QWidget* control);
void SetCheck(QWidget* control, int state);

} // namespace vellum::ui
