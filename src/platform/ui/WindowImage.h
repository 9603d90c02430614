// Offscreen pictures of windows, for tests and the README's screenshots.
#pragma once

#include <string>

class QWidget;

namespace vellum::ui {

// Shows the window (offscreen under QT_QPA_PLATFORM=offscreen), lets pending
// layout and paint events run, and saves what it draws as PNG. The path is a
// UTF-8 file name. False when the file could not be written.
bool RenderToPng(QWidget& window, const std::string& utf8Path);

} // namespace vellum::ui
