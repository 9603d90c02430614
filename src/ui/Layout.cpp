// The arithmetic is the platform original's, odd corners included: spacing
// is counted once per row (not per gap) when there is more than one, items
// start one spacing in from the row's left edge, and the spare space goes out
// in truncated shares with the last stretchable row or item taking what
// rounding left.
#include "ui/Layout.h"

#include "platform/ui/ControlId.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/QtText.h"
#include "platform/ui/WindowStyles.h"
#include "ui/CaptionLabel.h"
#include "ui/ImageButton.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

namespace {

// Hands out the spare space R in shares of R / n: each taker gets the
// truncation of (R - k * share), k being the takers still to come.
class SpareShares
{
public:
    SpareShares(int spare, int takers)
        : remaining_(spare < 0 ? 0 : spare), takersLeft_(takers),
          share_(takers > 0 ? static_cast<double>(remaining_) / takers : 0.0)
    {
    }

    int Next()
    {
        --takersLeft_;
        int extra = static_cast<int>(remaining_ - takersLeft_ * share_);
        remaining_ -= extra;
        return extra;
    }

private:
    int remaining_;
    int takersLeft_;
    double share_;
};

// A combo box's window height is its drop-down list's: the closed box keeps
// the height its font gives it and the list below gets the rest.
void PlaceComboBox(QComboBox* combo, const LayoutRect& place)
{
    int boxHeight = combo->sizeHint().height();
    combo->setGeometry(place.x, place.y, place.width, boxHeight);
    if (combo->view())
        combo->view()->setMaximumHeight(std::max(0, place.height - boxHeight));
}

void PlaceItem(CLayoutItem& item, int x, int y, int width, int height)
{
    int usedWidth = (item.flags & kItemFixedWidth) ? item.width : width;
    int usedHeight = (item.flags & kItemOwnHeight) ? item.height : height;
    if (qobject_cast<QComboBox*>(item.window.data()))
        usedHeight = item.height;
    item.placed = {x, y, usedWidth, usedHeight};
    if (item.kind == 1 && item.layout) {
        item.layout->leftMargin = x;
        item.layout->topMargin = y;
        item.layout->Arrange(usedWidth, usedHeight);
        return;
    }
    if (!item.window)
        return;
    if (auto* combo = qobject_cast<QComboBox*>(item.window.data())) {
        PlaceComboBox(combo, item.placed);
        return;
    }
    item.window->setGeometry(x, y, usedWidth, usedHeight);
}

} // namespace

CLayoutRow::CLayoutRow(CLayout* owningLayout, int rowHeight, int rowFlags)
    : layout(owningLayout), spacing(owningLayout->spacing), height(rowHeight), flags(rowFlags)
{
}

void CLayoutRow::Arrange(int x0, int y, int width, int rowHeight)
{
    placed = {x0, y, width, rowHeight};
    int sum = 0;
    int stretchable = 0;
    for (const auto& item : items) {
        sum += item->width;
        if (!(item->flags & kItemFixedWidth))
            ++stretchable;
    }
    if (items.size() > 1)
        sum += spacing * static_cast<int>(items.size());
    SpareShares shares(width - sum, stretchable);

    int x = x0 + spacing;
    for (const auto& item : items) {
        int itemWidth = item->width;
        if (!(item->flags & kItemFixedWidth))
            itemWidth += shares.Next();
        PlaceItem(*item, x, y, itemWidth, rowHeight);
        x += itemWidth + spacing;
    }
}

CLayout::CLayout() : font(vellum::ui::ModuleFont())
{
}

CLayout::~CLayout()
{
    RemoveAll();
}

CLayoutRow* CLayout::AddRow(int height, int flags)
{
    rows.push_back(std::make_unique<CLayoutRow>(this, height, flags));
    return rows.back().get();
}

CLayoutItem* CLayout::Append(CLayoutRow* row, QWidget* window, int width, int flags, bool owned)
{
    if (!row)
        return nullptr;
    auto item = std::make_unique<CLayoutItem>();
    item->window = window;
    item->width = width;
    item->height = row->height;
    item->flags = flags;
    item->owned = owned && window;
    if (window)
        window->setFont(font);
    row->items.push_back(std::move(item));
    return row->items.back().get();
}

CLayoutItem* CLayout::AddItem(CLayoutRow* row, QWidget* window, int width, int flags)
{
    return Append(row, window, width, flags, true);
}

CLayoutItem* CLayout::AttachItem(CLayoutRow* row, QWidget* window, int width, int flags)
{
    return Append(row, window, width, flags, false);
}

CLayoutItem* CLayout::AddLayout(CLayoutRow* row, std::unique_ptr<CLayout> nested, int width,
                                int flags)
{
    CLayoutItem* item = Append(row, nullptr, width, flags, false);
    if (!item)
        return nullptr;
    item->kind = 1;
    item->layout = std::move(nested);
    return item;
}

CCaptionLabel* CLayout::AddLabel(CLayoutRow* row, const std::string& text, int id, int width,
                                 int flags)
{
    if (!owner || !row)
        return nullptr;
    auto* label = new CCaptionLabel(owner);
    label->setText(vellum::ui::ToQString(text));
    label->format = kTextVCenter;
    vellum::ui::SetControlId(label, id);
    label->show();
    AddItem(row, label, width, flags);
    return label;
}

QLineEdit* CLayout::AddEdit(CLayoutRow* row, int id, int width, int flags)
{
    if (!owner || !row)
        return nullptr;
    auto* edit = new QLineEdit(owner);
    vellum::ui::SetControlId(edit, id);
    edit->setFocusPolicy(Qt::StrongFocus);
    edit->show();
    AddItem(row, edit, width, flags);
    return edit;
}

CImageButton* CLayout::AddButton(CLayoutRow* row, const std::string& caption, int id, int width,
                                 int flags)
{
    if (!owner || !row)
        return nullptr;
    auto* button = new CImageButton(owner);
    using namespace vellum::ui;
    button->Create(caption, kStyleVisible | kStyleGroup | kStyleTabStop | kButtonPush, owner, id);
    AddItem(row, button, width, flags);
    return button;
}

void CLayout::Arrange(int width, int height)
{
    if (rows.empty())
        return;
    int sum = 0;
    int stretchable = 0;
    for (const auto& row : rows) {
        sum += row->height;
        if (!(row->flags & kRowFixedHeight))
            ++stretchable;
    }
    if (rows.size() > 1)
        sum += spacing * static_cast<int>(rows.size());
    SpareShares shares(height - sum, stretchable);

    int y = topMargin;
    for (const auto& row : rows) {
        int rowHeight = row->height;
        if (!(row->flags & kRowFixedHeight))
            rowHeight += shares.Next();
        row->Arrange(leftMargin, y, width, rowHeight);
        y += rowHeight + spacing;
    }
}

// Owned windows go first, while the rows that name them still exist; a
// window already destroyed by its parent is skipped (QPointer is null then).
void CLayout::RemoveAll()
{
    for (auto& row : rows) {
        for (auto& item : row->items) {
            if (item->owned && item->window) {
                std::unique_ptr<QWidget> destroyed(item->window.data());
            }
            item->layout.reset();
        }
    }
    rows.clear();
}
