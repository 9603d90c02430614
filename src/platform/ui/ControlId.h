// Control identifiers on child windows. The module names its controls by
// integer identifiers (1 OK, 2 Cancel, 2001 upwards for form fields, 6001...
// for toolbar commands); here they are a property of the QWidget.
#pragma once

class QWidget;

namespace vellum::ui {

void SetControlId(QWidget* control, int id);

// 0 for a widget that was given none.
int ControlIdOf(const QWidget* control);

// The first descendant of root (children before grandchildren) carrying the
// identifier, or nullptr. Identifier 0 names no control.
QWidget* FindControl(const QWidget* root, int id);

} // namespace vellum::ui
