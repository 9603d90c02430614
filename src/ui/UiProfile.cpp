// The file is named from GetModuleDir (the host's folder), never from this
// library's own location.
#include "ui/UiProfile.h"

#include "base/IniDocument.h"
#include "base/TextHelpers.h"
#include "platform/ui/SystemColors.h"

#include <cstdlib>

using namespace vellum::ui;

ColorRef GetLayoutCtrlBackColor()
{
    CIniDocument profile;
    profile.Load(GetModuleDir() + "uiprofile.ini");
    std::optional<std::string> value = profile.Get("LayoutCtrl", "BackColor");
    if (!value || value->empty())
        return GetSystemColor(SystemColor::ButtonFace);
    return static_cast<ColorRef>(std::atoi(value->c_str()));
}
