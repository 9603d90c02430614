// The layout arithmetic on its own (no window needed for the numbers), then
// the same engine placing real widgets.
#include "ui/Layout.h"

#include "platform/ui/Application.h"
#include "ui/CaptionLabel.h"

#include <QLineEdit>
#include <QPointer>
#include <gtest/gtest.h>

namespace {

TEST(Layout, NestedLayoutIsPlacedLikeAWindow)
{
    CLayout layout;
    CLayoutRow* row = layout.AddRow(40, kRowFixedHeight);
    auto nested = std::make_unique<CLayout>();
    CLayoutRow* inner = nested->AddRow(10, 0);
    CLayoutItem* item = layout.AddLayout(row, std::move(nested), 100, 0);
    layout.Arrange(100, 100);
    EXPECT_EQ(item->layout->leftMargin, 2);
    EXPECT_EQ(item->layout->topMargin, 2);
    EXPECT_EQ(inner->placed.y, 2);
    EXPECT_EQ(inner->placed.height, 40);
}

TEST(Layout, WindowsAreMovedGivenTheFontAndOwnedOnesDestroyed)
{
    vellum::ui::EnsureApplication();
    QWidget owner;
    CLayout layout;
    EXPECT_EQ(layout.AddLabel(layout.AddRow(20, 3), "x", 0, 50, 3), nullptr);
    EXPECT_EQ(layout.AddEdit(layout.rows[0].get(), 1, 50, 3), nullptr);
    EXPECT_EQ(layout.AddButton(layout.rows[0].get(), "x", 1, 50, 3), nullptr);
    EXPECT_TRUE(layout.rows[0]->items.empty());
    layout.RemoveAll();

    layout.owner = &owner;
    CLayoutRow* row = layout.AddRow(24, kRowFixedHeight);
    QPointer<CCaptionLabel> label = layout.AddLabel(row, "Subject", 0, 80, 3);
    QPointer<QLineEdit> edit = layout.AddEdit(row, 2001, 100, 0);
    QPointer<QWidget> attached = new QWidget(&owner);
    layout.AttachItem(row, attached, 30, 3);
    ASSERT_TRUE(label && edit);
    EXPECT_EQ(label->format, kTextVCenter);
    EXPECT_EQ(edit->font(), layout.font);
    EXPECT_EQ(attached->font(), layout.font);
    layout.Arrange(400, 100);
    EXPECT_EQ(label->geometry(), QRect(2, 2, 80, 24));
    EXPECT_EQ(edit->geometry().x(), 84);
    // sum = 80 + 100 + 30 + 2 * 3 items = 216; the edit takes all 184 spare.
    EXPECT_EQ(edit->width(), 100 + 184);

    layout.RemoveAll();
    EXPECT_TRUE(layout.rows.empty());
    EXPECT_FALSE(label);
    EXPECT_FALSE(edit);
    EXPECT_TRUE(attached); // attached windows belong to someone else
}

} // namespace
