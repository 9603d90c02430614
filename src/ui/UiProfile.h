// "uiprofile.ini" beside the host executable: the colours of the toolbar
// strips. Read at the moment of use; a missing file, section or key keeps
// the default.
#pragma once

#include "platform/ui/Color.h"

// [LayoutCtrl] BackColor, a decimal Windows colour value read like atoi (so
// text that is not a number gives black); the button face when missing or
// empty.
vellum::ui::ColorRef GetLayoutCtrlBackColor();
