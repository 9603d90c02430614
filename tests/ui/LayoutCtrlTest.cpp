// The toolbar strip's back colour, read from a real "uiprofile.ini" in a
// temporary module home.
#include "net/TestHome.h"
#include "platform/ui/Application.h"
#include "platform/ui/SystemColors.h"
#include "ui/UiProfile.h"

#include <gtest/gtest.h>

#include <utility>

using namespace vellum::ui;

namespace {

TEST(UiProfile, BackColorIsReadLikeAtoiWithTheButtonFaceAsDefault)
{
    EnsureApplication();
    const ColorRef face = GetSystemColor(SystemColor::ButtonFace);
    // The profile text (nullptr: no file at all) and the colour read from it.
    const std::pair<const char*, ColorRef> cases[] = {
        {nullptr, face},
        {"[LayoutCtrl]\r\nBackColor=255\r\n", 255u},
        {"[layoutctrl]\nbackcolor=16711680xyz\n", 0xFF0000u},
        {"[LayoutCtrl]\nBackColor=\n", face},
        {"[LayoutCtrl]\nBackColor=red\n", 0u},
        {"[DataGrid]\nBackColor=255\n", face}};
    for (auto [profile, color] : cases) {
        vellum::testing::TestHome home("ui-profile");
        if (profile)
            home.WriteFile("uiprofile.ini", profile);
        EXPECT_EQ(GetLayoutCtrlBackColor(), color) << (profile ? profile : "no file");
    }
}

} // namespace
