// The toolbar strip's back colour, read from a real "uiprofile.ini" in a
// temporary module home.
#include "platform/ui/Application.h"
#include "platform/ui/SystemColors.h"
#include "support/ScratchFolder.h"
#include "ui/UiProfile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace vellum::ui;

namespace {

// Points VELLUM_HOME at a fresh folder of its own (tests run as parallel
// processes) holding the given profile text (no file at all for nullptr)
// for the test's lifetime.
class ProfileHome
{
public:
    explicit ProfileHome(const char* profileText)
    {
        if (profileText)
            std::ofstream(folder_.Path() + "uiprofile.ini") << profileText;
        setenv("VELLUM_HOME", folder_.Path().c_str(), 1);
    }
    ~ProfileHome() { unsetenv("VELLUM_HOME"); }

private:
    vellum::testing::ScratchFolder folder_;
};

TEST(UiProfile, BackColorIsReadLikeAtoiWithTheButtonFaceAsDefault)
{
    EnsureApplication();
    const ColorRef face = GetSystemColor(SystemColor::ButtonFace);
    const struct
    {
        const char* profile; // nullptr: no file at all
        ColorRef color;
    } cases[] = {
        {nullptr, face},
        {"[LayoutCtrl]\r\nBackColor=255\r\n", 255u},
        {"[layoutctrl]\nbackcolor=16711680xyz\n", 0xFF0000u},
        {"[LayoutCtrl]\nBackColor=\n", face},
        {"[LayoutCtrl]\nBackColor=red\n", 0u},
        {"[DataGrid]\nBackColor=255\n", face},
    };
    for (const auto& c : cases) {
        ProfileHome home(c.profile);
        EXPECT_EQ(GetLayoutCtrlBackColor(), c.color) << (c.profile ? c.profile : "no file");
    }
}

} // namespace
