// A dynamic property keeps the identifier with the widget, so any widget
// class (ours or Qt's) can carry one without a common base.
#include "platform/ui/ControlId.h"

#include <QVariant>
#include <QWidget>

namespace vellum::ui {
namespace {

constexpr const char* kControlIdProperty = "vellumControlId";

} // namespace

void SetControlId(QWidget* control, int id)
{
    if (control)
        control->setProperty(kControlIdProperty, id);
}

int ControlIdOf(const QWidget* control)
{
    if (!control)
        return 0;
    return control->property(kControlIdProperty).toInt();
}

QWidget* FindControl(const QWidget* root, int id)
{
    if (!root || id == 0)
        return nullptr;
    for (QWidget* child : root->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (ControlIdOf(child) == id)
            return child;
    }
    for (QWidget* child : root->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (QWidget* found = FindControl(child, id))
            return found;
    }
    return nullptr;
}

} // namespace vellum::ui
