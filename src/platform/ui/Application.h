// The Qt application object. The host normally makes it; tools and tests that
// run windows without a host call EnsureApplication first.
#pragma once

namespace vellum::ui {

// Creates a QApplication when none exists yet (kept for the rest of the
// process). Under QT_QPA_PLATFORM=offscreen no display is needed.
void EnsureApplication();

} // namespace vellum::ui
