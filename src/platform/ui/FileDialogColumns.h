// The file dialog's detail columns in the desk's own words. Qt's Chinese
// catalogue has no word for a folder's type and its dates and sizes follow
// the process's locale, which on many desks is C while the dialog speaks
// Chinese; so dates and sizes are written in the desk's locale
// (DesktopLocale) and each column is as wide as its texts. (A folder's type,
// "文件夹", is the icon provider's word.)
#pragma once

class QFileDialog;

namespace vellum::ui {

// Puts the columns of a non-native dialog, before it is shown.
void UseDeskWordsInColumns(QFileDialog& dialog);

} // namespace vellum::ui
