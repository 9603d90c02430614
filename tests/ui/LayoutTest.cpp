// The layout arithmetic on its own (no window needed for the numbers), then
// the same engine placing real widgets.
#include "ui/Layout.h"

#include "platform/ui/Application.h"
#include "ui/CaptionLabel.h"
#include "ui/ImageButton.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <gtest/gtest.h>

namespace {

TEST(Layout, StretchableRowsShareSparePixelsByTruncatedShares)
{
    CLayout layout;
    layout.spacing = 0;
    layout.topMargin = 0;
    CLayoutRow* a = layout.AddRow(10, 0);
    CLayoutRow* b = layout.AddRow(10, 0);
    CLayoutRow* c = layout.AddRow(10, 0);
    layout.Arrange(100, 40);
    EXPECT_EQ(a->placed.height, 13);
    EXPECT_EQ(b->placed.height, 13);
    EXPECT_EQ(c->placed.height, 14);
    EXPECT_EQ(a->placed.y, 0);
    EXPECT_EQ(b->placed.y, 13);
    EXPECT_EQ(c->placed.y, 26);
}

TEST(Layout, SpacingCountsOncePerRowAndRowsStartAtTheMargins)
{
    CLayout layout; // spacing 2, left margin 0, top margin 2
    CLayoutRow* fixed = layout.AddRow(20, kRowFixedHeight);
    CLayoutRow* body = layout.AddRow(50, 0);
    // sum = 20 + 50 + 2 * 2 rows = 74; spare = 100 - 74 = 26 to the one
    // stretchable row.
    layout.Arrange(300, 100);
    EXPECT_EQ(fixed->placed.y, 2);
    EXPECT_EQ(fixed->placed.height, 20);
    EXPECT_EQ(body->placed.y, 24);
    EXPECT_EQ(body->placed.height, 76);
    EXPECT_EQ(body->placed.x, 0);
    EXPECT_EQ(body->placed.width, 300);
}

TEST(Layout, SpareSpaceWithoutStretchableRowsStaysBelowAndTooLittleKeepsNominalSizes)
{
    CLayout layout;
    CLayoutRow* first = layout.AddRow(20, kRowFixedHeight);
    CLayoutRow* second = layout.AddRow(30, kRowFixedHeight);
    layout.Arrange(200, 500);
    EXPECT_EQ(first->placed.height, 20);
    EXPECT_EQ(second->placed.height, 30);
    EXPECT_EQ(second->placed.y, 2 + 20 + 2);

    CLayout cramped;
    CLayoutRow* row = cramped.AddRow(40, 0);
    CLayoutItem* item = cramped.AddItem(row, nullptr, 120, 0);
    cramped.Arrange(50, 10);
    EXPECT_EQ(row->placed.height, 40);
    EXPECT_EQ(item->placed.width, 120);
}

TEST(Layout, ItemsShareWidthAndStartOneSpacingIn)
{
    CLayout layout;
    layout.leftMargin = 5;
    CLayoutRow* row = layout.AddRow(24, kRowFixedHeight);
    CLayoutItem* label = layout.AddItem(row, nullptr, 80, kItemFixedWidth | kItemOwnHeight);
    CLayoutItem* left = layout.AddItem(row, nullptr, 100, 0);
    CLayoutItem* right = layout.AddItem(row, nullptr, 100, 0);
    // sum = 280 + 2 * 3 items = 286; spare = 301 - 286 = 15 -> 7 and 8.
    layout.Arrange(301, 100);
    EXPECT_EQ(label->placed.x, 5 + 2);
    EXPECT_EQ(label->placed.width, 80);
    EXPECT_EQ(left->placed.x, 7 + 80 + 2);
    EXPECT_EQ(left->placed.width, 107);
    EXPECT_EQ(right->placed.x, 89 + 107 + 2);
    EXPECT_EQ(right->placed.width, 108);
    EXPECT_EQ(right->placed.height, 24);
}

TEST(Layout, SingleItemAddsNoSpacingToTheSumButStillStartsOneSpacingIn)
{
    CLayout layout;
    CLayoutRow* row = layout.AddRow(20, kRowFixedHeight);
    CLayoutItem* only = layout.AddItem(row, nullptr, 100, 0);
    layout.Arrange(150, 50);
    EXPECT_EQ(only->placed.x, 2);
    EXPECT_EQ(only->placed.width, 150); // 100 + (150 - 100), no spacing counted
}

TEST(Layout, OwnHeightAndFixedWidthFlags)
{
    CLayout layout;
    CLayoutRow* row = layout.AddRow(20, kRowFixedHeight);
    CLayoutItem* own = layout.AddItem(row, nullptr, 30, kItemOwnHeight);
    own->height = 12;
    CLayoutItem* rowHigh = layout.AddItem(row, nullptr, 30, kItemFixedWidth);
    rowHigh->height = 12;
    layout.Arrange(200, 50);
    EXPECT_EQ(own->placed.height, 12);
    EXPECT_EQ(rowHigh->placed.height, 20);
    EXPECT_EQ(rowHigh->placed.width, 30);
    EXPECT_GT(own->placed.width, 30);
}

TEST(Layout, RowsKeepTheSpacingTheLayoutHadWhenTheyWereAdded)
{
    CLayout layout;
    CLayoutRow* before = layout.AddRow(20, kRowFixedHeight);
    layout.spacing = 6;
    CLayoutRow* after = layout.AddRow(20, kRowFixedHeight);
    EXPECT_EQ(before->spacing, 2);
    EXPECT_EQ(after->spacing, 6);
    CLayoutItem* a = layout.AddItem(before, nullptr, 10, kItemFixedWidth);
    CLayoutItem* b = layout.AddItem(after, nullptr, 10, kItemFixedWidth);
    layout.Arrange(100, 100);
    EXPECT_EQ(a->placed.x, 2);
    EXPECT_EQ(b->placed.x, 6);
}

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

TEST(Layout, ComboBoxKeepsItsListHeightInAShortRow)
{
    vellum::ui::EnsureApplication();
    QWidget owner;
    CLayout layout;
    layout.owner = &owner;
    CLayoutRow* row = layout.AddRow(20, kRowFixedHeight);
    auto* combo = new QComboBox(&owner);
    CLayoutItem* item = layout.AddItem(row, combo, 100, 0);
    EXPECT_EQ(item->height, 20);
    item->height = 200;
    layout.Arrange(300, 100);
    EXPECT_EQ(item->placed.height, 200);
    // The closed box keeps its own height; the list below takes the rest.
    EXPECT_LT(combo->height(), 200);
    EXPECT_EQ(combo->y(), 2);

    auto* edit = new QLineEdit(&owner);
    CLayoutItem* editItem = layout.AddItem(row, edit, 100, 0);
    editItem->height = 200;
    layout.Arrange(300, 100);
    EXPECT_EQ(edit->height(), 20);
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
