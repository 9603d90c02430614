// The file-open dialog's filter: the module writes it in the platform's form,
// pairs of description and pattern separated by "|" and ended by "||"
// ("所有文件 (*.*)|*.*||"); Qt wants "description (patterns)" lines.
#pragma once

#include <QString>

namespace vellum::ui {

// Each description keeps its text; its patterns follow in parentheses with
// "*.*" written as "*" (on this platform a name need not have a dot). Pieces
// are separated by ";;". An empty filter gives "".
QString ToQtFileFilter(const QString& platformFilter);

} // namespace vellum::ui
