// Image buttons on real widgets: toggling, every click reaching the window,
// hover and pressed looks, colour slots, pictures with their transparent
// colour, and the focus moving on from a disabled button.
#include "ui/ImageButton.h"

#include "platform/ui/Application.h"
#include "platform/ui/CommandTarget.h"
#include "platform/ui/QtColor.h"
#include "platform/ui/SystemColors.h"
#include "platform/ui/WindowStyles.h"
#include "ui/ButtonLook.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

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

TEST(ButtonLook, StatesPickTheirColourSlotsAndEdges)
{
    std::array<ColorRef, kColorSlotCount> colors = {10, 11, 12, 13, 14, 15};
    ButtonState normal;
    ButtonLook look = ChooseButtonLook(normal, colors);
    EXPECT_EQ(look.background, 12u);
    EXPECT_EQ(look.text, 13u);
    EXPECT_EQ(look.edge, ButtonEdge::None); // flat: no edge until hovered

    ButtonState hovered = normal;
    hovered.hovered = true;
    look = ChooseButtonLook(hovered, colors);
    EXPECT_EQ(look.background, 10u);
    EXPECT_EQ(look.text, 11u);
    EXPECT_EQ(look.edge, ButtonEdge::RaisedThin);

    ButtonState held = hovered;
    held.selected = true;
    look = ChooseButtonLook(held, colors);
    EXPECT_TRUE(look.pressed);
    EXPECT_EQ(look.edge, ButtonEdge::Sunken);
    EXPECT_TRUE(look.contentShifted);

    ButtonState focused = normal;
    focused.focused = true;
    look = ChooseButtonLook(focused, colors);
    EXPECT_EQ(look.background, 14u);
    EXPECT_EQ(look.text, 15u);
    EXPECT_FALSE(look.focusRect); // flat buttons draw none by default
    focused.drawFlatFocus = true;
    EXPECT_TRUE(ChooseButtonLook(focused, colors).focusRect);

    ButtonState checked = normal;
    checked.checkBoxMode = true;
    checked.checked = true;
    look = ChooseButtonLook(checked, colors);
    EXPECT_TRUE(look.pressed);
    EXPECT_FALSE(look.contentShifted); // a checked toggle sits still
    EXPECT_EQ(look.background, 10u);

    ButtonState raised = normal;
    raised.flat = false;
    raised.isDefault = true;
    look = ChooseButtonLook(raised, colors);
    EXPECT_EQ(look.edge, ButtonEdge::RaisedThick);
    EXPECT_TRUE(look.blackFrame);
    raised.selected = true;
    EXPECT_EQ(ChooseButtonLook(raised, colors).edge, ButtonEdge::ShadowFrame);

    ButtonState borderless = held;
    borderless.drawBorder = false;
    EXPECT_EQ(ChooseButtonLook(borderless, colors).edge, ButtonEdge::None);

    ButtonState disabled = normal;
    disabled.disabled = true;
    EXPECT_TRUE(ChooseButtonLook(disabled, colors).disabledText);
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

TEST(ImageButton, HoverRaisesAndHoldingSinksAFlatButton)
{
    EnsureApplication();
    QWidget window;
    auto* button = new CImageButton(&window);
    button->Create("Open", kStyleVisible | kButtonPush, &window, 6002);
    button->setGeometry(10, 10, 60, 24);
    window.show();
    EXPECT_EQ(button->CurrentLook().edge, ButtonEdge::None);

    QEnterEvent enter(QPointF(5, 5), QPointF(15, 15), QPointF(15, 15));
    QApplication::sendEvent(button, &enter);
    EXPECT_TRUE(button->IsHovered());
    EXPECT_EQ(button->CurrentLook().edge, ButtonEdge::RaisedThin);

    QTest::mousePress(button, Qt::LeftButton);
    EXPECT_EQ(button->CurrentLook().edge, ButtonEdge::Sunken);
    EXPECT_TRUE(button->CurrentLook().contentShifted);
    QTest::mouseRelease(button, Qt::LeftButton);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_FALSE(button->IsHovered());
    EXPECT_EQ(button->CurrentLook().edge, ButtonEdge::None);
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

    button.SetAlign(kImageLeft); // at left + 3, vertically centred
    QImage shot = button.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(3 + 3, 11 + 3)), QColor(0, 0, 255));

    button.SetAlign(kImageRight); // at right - 3 - width
    shot = button.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(80 - 3 - 8 + 3, 11 + 3)), QColor(0, 0, 255));

    button.SetAlign(kImageTop); // centred at the top
    shot = button.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(36 + 3, 3 + 3)), QColor(0, 0, 255));
}

TEST(ImageButton, DisablingMovesTheFocusToTheNextControl)
{
    EnsureApplication();
    QWidget window;
    auto* toggle = new CImageButton(&window);
    toggle->Create("B", kStyleVisible | kStyleTabStop | kButtonAutoCheckBox, &window, 8007);
    auto* next = new QLineEdit(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    toggle->setFocus();
    ASSERT_EQ(window.focusWidget(), toggle);

    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(toggle, &enter);
    toggle->setEnabled(false);
    EXPECT_EQ(window.focusWidget(), next);
    EXPECT_FALSE(toggle->IsHovered());

    // Alone in its parent, the focus goes to the parent.
    QWidget lonely;
    lonely.setFocusPolicy(Qt::StrongFocus);
    auto* only = new CImageButton(&lonely);
    only->Create("x", kStyleVisible | kStyleTabStop, &lonely, 1);
    lonely.show();
    QApplication::setActiveWindow(&lonely);
    only->setFocus();
    only->setEnabled(false);
    EXPECT_NE(lonely.focusWidget(), only);
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
