// QApplication keeps references to argc and argv, so both live as long as
// the process. The application itself is never destroyed: destroying it from
// a static destructor runs after Qt's own statics are gone and crashes.
#include "platform/ui/Application.h"

#include "platform/ui/Translations.h"

#include <QApplication>

namespace vellum::ui {

void EnsureApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "vellum";
    static char* argv[] = {name, nullptr};
    static QApplication* application = new QApplication(argc, argv);
    (void)application;
    InstallQtTranslations();
}

} // namespace vellum::ui
