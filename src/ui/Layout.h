// CLayout, CLayoutRow, CLayoutItem: the small engine that places a window's
// child controls in rows and re-places them on every resize. Rows share the
// spare height, items in a row share the spare width; the arithmetic is
// fixed (see Arrange) because every window of the module is sized by it.
//
// The engine records where it put each row and item, so the arithmetic can
// be checked without any window.
#pragma once

#include <QFont>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class CCaptionLabel;
class CImageButton;
class CLayout;
class CLayoutRow;
class QLineEdit;

constexpr int kRowFixedHeight = 2;
constexpr int kItemFixedWidth = 1;
constexpr int kItemOwnHeight = 2;

struct LayoutRect
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct CLayoutItem
{
    QPointer<QWidget> window;        // none for a spacer
    std::unique_ptr<CLayout> layout; // a nested layout (kind 1)
    int width = 80;
    int height = 0;
    int flags = 3;
    bool owned = false;
    int kind = 0;
    LayoutRect placed; // where the last Arrange put it
};

class CLayoutRow
{
public:
    explicit CLayoutRow(CLayout* layout, int height, int flags);

    std::vector<std::unique_ptr<CLayoutItem>> items;
    CLayout* layout;
    int spacing;
    int height;
    int flags;
    LayoutRect placed;

    // The horizontal pass: places the items in the row's band.
    void Arrange(int x0, int y, int width, int height);
};

class CLayout
{
public:
    CLayout();
    ~CLayout();
    CLayout(const CLayout&) = delete;
    CLayout& operator=(const CLayout&) = delete;

    CLayoutRow* AddRow(int height, int flags);

    // The item is appended to the row; AddItem's window is destroyed with
    // the layout, AttachItem's is only placed. window may be null (spacer).
    CLayoutItem* AddItem(CLayoutRow* row, QWidget* window, int width, int flags);
    CLayoutItem* AttachItem(CLayoutRow* row, QWidget* window, int width, int flags);
    // A nested layout placed like a window, its margins set by its place.
    CLayoutItem* AddLayout(CLayoutRow* row, std::unique_ptr<CLayout> nested, int width, int flags);

    // Child controls of the owner, owned by the layout; nothing when the
    // owner does not exist yet. Texts are host code page bytes.
    CCaptionLabel* AddLabel(CLayoutRow* row, const std::string& text, int id, int width, int flags);
    QLineEdit* AddEdit(CLayoutRow* row, int id, int width, int flags);
    CImageButton* AddButton(CLayoutRow* row, const std::string& caption, int id, int width,
                            int flags);

    // Places every row in a client area of the given size.
    void Arrange(int width, int height);

    // Deletes every row and item, destroying owned windows first.
    void RemoveAll();

    std::vector<std::unique_ptr<CLayoutRow>> rows;
    QPointer<QWidget> owner;
    QFont font;
    int spacing = 2;
    int leftMargin = 0;
    int topMargin = 2;

private:
    CLayoutItem* Append(CLayoutRow* row, QWidget* window, int width, int flags, bool owned);
};
