// Host code page text to QString and back: the edge between the module's
// byte strings and Qt.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace vellum::ui {

QString ToQString(std::string_view hostText);
std::string FromQString(const QString& text);

} // namespace vellum::ui
