// The toolbar strip with a real "uiprofile.ini" in a temporary module home:
// its back colour reaches its labels and buttons, its buttons' clicks reach
// the window holding it, and its layout follows its size.
#include "ui/LayoutCtrl.h"

#include "platform/ui/Application.h"
#include "platform/ui/CommandTarget.h"
#include "platform/ui/QtColor.h"
#include "platform/ui/SystemColors.h"
#include "platform/ui/WindowStyles.h"
#include "support/ScratchFolder.h"
#include "ui/CaptionLabel.h"
#include "ui/ImageButton.h"
#include "ui/UiProfile.h"

#include <QPointer>
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

class Holder : public QWidget, public CommandTarget
{
public:
    bool OnCommand(int id) override
    {
        commands.push_back(id);
        return true;
    }
    std::optional<long> OnNotify(const Notification& notification) override
    {
        notified.push_back(notification.code);
        return 7;
    }
    std::vector<int> commands;
    std::vector<int> notified;
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

TEST(LayoutCtrl, ProfileColourPaintsTheStripItsLabelsAndButtons)
{
    EnsureApplication();
    ProfileHome home("[LayoutCtrl]\nBackColor=255\n");
    Holder holder;
    auto* strip = new CLayoutCtrl(&holder);
    strip->Create(QRect(0, 0, 300, 24), &holder, 0, kStyleVisible | kStyleBorder);
    CLayoutRow* row = strip->AddRow(20, 3);
    CCaptionLabel* caption = strip->AddLabel(row, "Inbox", 0, 100, 0);
    CImageButton* read = strip->AddButton(row, "Read", 6002, 60, 3);
    ASSERT_TRUE(caption && read);

    EXPECT_EQ(strip->GetBackColor(), 255u);
    EXPECT_EQ(caption->EffectiveBackColor(), 255u);
    EXPECT_EQ(caption->format, kTextVCenter);
    EXPECT_EQ(read->GetColor(kColorBackNormal), 255u);
    EXPECT_EQ(read->GetColor(kColorBackFocus), 255u);
    EXPECT_EQ(read->GetColor(kColorBackHover), GetSystemColor(SystemColor::ButtonFace));

    holder.resize(300, 24);
    holder.show();
    QImage shot = strip->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(299, 23)), QColor(255, 0, 0));
}

TEST(LayoutCtrl, UnhandledCommandsAndNotificationsGoToTheHoldingWindow)
{
    EnsureApplication();
    ProfileHome home(nullptr);
    Holder holder;
    auto* strip = new CLayoutCtrl(&holder);
    strip->Create(QRect(0, 0, 300, 24), &holder, 10, kStyleVisible);
    CLayoutRow* row = strip->AddRow(20, 3);
    CImageButton* add = strip->AddButton(row, "New", 6001, 70, 3);
    CImageButton* drop = strip->AddButton(row, "Delete", 6004, 60, 3);
    add->click();
    drop->click();
    EXPECT_EQ(holder.commands, (std::vector<int>{6001, 6004}));

    auto* grid = new QWidget(strip);
    EXPECT_EQ(SendNotify(grid, -3, 1, 2), 7);
    EXPECT_EQ(holder.notified, std::vector<int>{-3});
}

TEST(LayoutCtrl, ResizingRearrangesAndDestroyingRemovesOwnedChildren)
{
    EnsureApplication();
    ProfileHome home(nullptr);
    QWidget holder;
    auto* strip = new CLayoutCtrl(&holder);
    strip->Create(QRect(0, 0, 200, 24), &holder, 0, kStyleVisible);
    CLayoutRow* row = strip->AddRow(20, 3);
    QPointer<CImageButton> fixed = strip->AddButton(row, "A", 1, 60, 3);
    strip->GetLayout().AddItem(row, nullptr, 0, 0);
    QPointer<CImageButton> last = strip->AddButton(row, "B", 2, 60, 3);
    strip->Relayout();
    EXPECT_EQ(fixed->geometry(), QRect(2, 2, 60, 20));
    // 60 + 0 + 60 + 2 * 3 = 126; the spacer takes 74 of 200.
    EXPECT_EQ(last->x(), 2 + 60 + 2 + 74 + 2);

    holder.show(); // hidden widgets get their resize events only when shown
    strip->resize(300, 24);
    EXPECT_EQ(last->x(), 2 + 60 + 2 + 174 + 2);

    std::unique_ptr<CLayoutCtrl> gone(strip);
    gone.reset();
    EXPECT_FALSE(fixed);
    EXPECT_FALSE(last);
}

} // namespace
