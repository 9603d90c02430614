// Qt's own dialogs (file, colour) and the standard buttons of its message
// boxes speak the user's language: Qt's translations for the user's locale
// are installed into the running application, once per process.
#pragma once

#include <string>

namespace vellum::ui {

// The locale Qt's texts follow ("zh_CN"), empty for Qt's own English. The
// first of LANGUAGE (its first entry), LC_ALL, LC_MESSAGES and LANG that is
// set decides; when none is, or it is "C" or "POSIX", a Chinese host code
// page means Chinese.
std::string DesktopLocale();

// Installs Qt's translations for DesktopLocale into the application, when
// there is one and Qt has translations for that locale. Later calls do
// nothing.
void InstallQtTranslations();

} // namespace vellum::ui
