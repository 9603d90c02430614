// Image buttons on real widgets: toggling, every click reaching the window,
// colour slots, pictures with their transparent colour and alignment, the
// tooltip and the default button.
#include "ui/ImageButton.h"

#include "platform/ui/Application.h"
#include "platform/ui/CommandTarget.h"
#include "platform/ui/SystemColors.h"
#include "platform/ui/WindowStyles.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace vellum::ui;

namespace {

class ClickRecorder : public QWidget, public CommandTarget
{
public:
    bool OnCommand(int id) override
    {
        commands.push_back(id);
        return true;
    }
    std::vector<int> commands;
};

QImage TwoColourPicture()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int i = 2; i < 6; ++i)
        for (int j = 2; j < 6; ++j)
            image.setPixel(i, j, qRgb(0, 0, 255));
    return image;
}

TEST(ImageButton, CheckBoxStyleTogglesOnEveryClickAndTheWindowSeesEachClick)
{
    EnsureApplication();
    ClickRecorder window;
    auto* toggle = new CImageButton(&window);
    toggle->Create("B", kStyleVisible | kStyleTabStop | kButtonAutoCheckBox, &window, 8007);
    auto* push = new CImageButton(&window);
    push->Create("Go", kStyleVisible | kButtonPush, &window, 6001);
    window.resize(200, 40);
    toggle->setGeometry(0, 0, 40, 24);
    push->setGeometry(50, 0, 40, 24);
    window.show();
    EXPECT_TRUE(toggle->IsCheckBoxMode());
    EXPECT_FALSE(push->IsCheckBoxMode());

    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(toggle->GetCheck(), 1);
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(toggle->GetCheck(), 0);
    // A fast pair arrives as press, release, double click, release: both
    // clicks count.
    QTest::mouseClick(toggle, Qt::LeftButton);
    QTest::mouseDClick(toggle, Qt::LeftButton);
    QTest::mouseRelease(toggle, Qt::LeftButton);
    EXPECT_EQ(window.commands, (std::vector<int>{8007, 8007, 8007, 8007}));
    EXPECT_EQ(toggle->GetCheck(), 0);
    EXPECT_EQ(window.focusWidget(), toggle);

    QTest::mouseClick(push, Qt::LeftButton);
    EXPECT_EQ(window.commands.back(), 6001);
    EXPECT_EQ(push->GetCheck(), 0);
    push->SetCheck(1); // no effect outside check-box mode
    EXPECT_EQ(push->GetCheck(), 0);

    toggle->SetCheck(2);
    EXPECT_EQ(toggle->GetCheck(), 1);
    EXPECT_EQ(window.commands.size(), 5u); // setting the state is no click
    toggle->SetCheck(0);
    EXPECT_EQ(toggle->GetCheck(), 0);
}

TEST(ImageButton, ColourSlotsDefaultToTheSystemColoursAndRefuseSlotSix)
{
    EnsureApplication();
    CImageButton button;
    const ColorRef face = GetSystemColor(SystemColor::ButtonFace);
    const ColorRef text = GetSystemColor(SystemColor::ButtonText);
    for (int slot : {0, 2, 4})
        EXPECT_EQ(button.GetColor(slot), face) << slot;
    for (int slot : {1, 3, 5})
        EXPECT_EQ(button.GetColor(slot), text) << slot;

    EXPECT_EQ(button.SetColor(2, 255), 0);
    EXPECT_EQ(button.GetColor(2), 255u);
    EXPECT_EQ(button.CurrentLook().background, 255u);
    EXPECT_EQ(button.SetColor(6, 1), 3);
    EXPECT_EQ(button.SetColor(-1, 1), 3);

    QEvent paletteChange(QEvent::PaletteChange);
    QApplication::sendEvent(&button, &paletteChange);
    EXPECT_EQ(button.GetColor(2), face);
}

TEST(ImageButton, PictureIsPaintedWithoutItsTransparentColour)
{
    EnsureApplication();
    CImageButton button;
    EXPECT_EQ(button.SetImage(QImage(), 0xFFFFFF), 1);
    EXPECT_FALSE(button.HasImage());
    EXPECT_EQ(button.SetImageFile("/nonexistent/add.gif", 0xFFFFFF), 1);
    EXPECT_FALSE(button.HasImage());

    ASSERT_EQ(button.SetImage(TwoColourPicture(), 0xFFFFFF), 0);
    EXPECT_EQ(button.ImageSize(), QSize(8, 8));
    button.SetColor(kColorBackNormal, MakeColorRef(0, 255, 0));
    button.resize(20, 20);
    QImage shot = button.grab().toImage();
    // Image centred (no caption): at (6,6); its white corner shows the green
    // background, its blue middle is painted.
    EXPECT_EQ(QColor(shot.pixel(6, 6)), QColor(0, 255, 0));
    EXPECT_EQ(QColor(shot.pixel(9, 9)), QColor(0, 0, 255));

    button.setEnabled(false);
    shot = button.grab().toImage();
    EXPECT_NE(QColor(shot.pixel(9, 9)), QColor(0, 0, 255)); // embossed instead
}

TEST(ImageButton, ImageAlignmentPlacesThePictureBesideTheCaption)
{
    EnsureApplication();
    CImageButton button;
    button.setText("Add");
    button.SetImage(TwoColourPicture(), 0xFFFFFF);
    button.SetColor(kColorBackNormal, MakeColorRef(0, 255, 0));
    button.resize(80, 30);

    // Left: at left + 3; right: at right - 3 - width; both vertically
    // centred. Top: centred at the top. Each point is inside the blue middle.
    const std::pair<int, QPoint> cases[] = {{kImageLeft, {3 + 3, 11 + 3}},
                                            {kImageRight, {80 - 3 - 8 + 3, 11 + 3}},
                                            {kImageTop, {36 + 3, 3 + 3}}};
    for (auto [align, blue] : cases) {
        button.SetAlign(align);
        EXPECT_EQ(QColor(button.grab().toImage().pixel(blue)), QColor(0, 0, 255)) << align;
    }
}

TEST(ImageButton, TooltipAndDefaultButton)
{
    EnsureApplication();
    CImageButton button;
    button.Create("OK", kButtonDefaultPush, nullptr, 1);
    EXPECT_TRUE(button.IsDefaultButton());
    button.SetTooltipText("", true);
    EXPECT_TRUE(button.toolTip().isEmpty());
    button.SetTooltipText("Send", true);
    EXPECT_EQ(button.toolTip(), "Send");
    button.SetTooltipText("Send", false);
    EXPECT_TRUE(button.toolTip().isEmpty());
}

} // namespace
