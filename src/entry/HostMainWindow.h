// The window the dialog exports open their dialogs over: the host's main
// window, found through the Qt application object the host runs.
#pragma once

class QWidget;

namespace vellum::entry {

// The application's active top-level window, else its first visible
// top-level window (tooltips and popups do not count); nullptr without a
// QApplication or without such a window.
QWidget* HostMainWindow();

} // namespace vellum::entry
