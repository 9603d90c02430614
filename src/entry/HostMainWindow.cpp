// A host that shows no window of its own (a console program, or one that has
// not created its QApplication) gets no dialog: there would be nothing to
// hold it modal over.
#include "entry/HostMainWindow.h"

#include <QApplication>
#include <QWidget>

namespace vellum::entry {
namespace {

bool IsHostWindow(const QWidget* widget)
{
    if (!widget->isWindow() || !widget->isVisible())
        return false;
    Qt::WindowType type = widget->windowType();
    return type != Qt::ToolTip && type != Qt::Popup && type != Qt::SplashScreen;
}

} // namespace

QWidget* HostMainWindow()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (IsHostWindow(widget))
            return widget;
    }
    return nullptr;
}

} // namespace vellum::entry
