// QApplication keeps references to argc and argv, so both live as long as
// the process.
#include "platform/ui/Application.h"

#include <QApplication>

namespace vellum::ui {

void EnsureApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "vellum";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
}

} // namespace vellum::ui
