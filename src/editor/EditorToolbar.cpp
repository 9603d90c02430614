// The editor's toolbar: one fixed row of twenty controls on the strip, in
// the order users of the editor know. Toggles are check-box image buttons
// with the default colours; the other buttons are the strip's own, painted
// on its back colour. The two lists report their changes to the editor.
#include "base/TextHelpers.h"
#include "editor/HtmlEditor.h"
#include "platform/text/CodePage.h"
#include "platform/ui/Color.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/WindowStyles.h"
#include "ui/ImageButton.h"
#include "ui/LayoutCtrl.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QListView>

#include <algorithm>
#include <functional>

using namespace vellum::ui;

namespace {

enum class ToolKind { Toggle, Button, FontNames, FontSizes };

struct ToolDefinition
{
    int id;
    const char* picture;
    int width;
    ToolKind kind;
};

constexpr ToolDefinition kTools[] = {
    {CHtmlEditor::kSourceToggle, "Source.gif", 18, ToolKind::Toggle},
    {CHtmlEditor::kFontName, nullptr, 120, ToolKind::FontNames},
    {CHtmlEditor::kFontSize, nullptr, 50, ToolKind::FontSizes},
    {CHtmlEditor::kCut, "Cut.gif", 18, ToolKind::Button},
    {CHtmlEditor::kCopy, "copy.gif", 18, ToolKind::Button},
    {CHtmlEditor::kPaste, "Paste.gif", 18, ToolKind::Button},
    {CHtmlEditor::kBold, "Bold.gif", 18, ToolKind::Toggle},
    {CHtmlEditor::kItalic, "Incline.gif", 18, ToolKind::Toggle},
    {CHtmlEditor::kUnderline, "Underline.gif", 18, ToolKind::Toggle},
    {CHtmlEditor::kTextColor, "TextColor.gif", 26, ToolKind::Button},
    {CHtmlEditor::kBackColor, "BackColor.gif", 26, ToolKind::Button},
    {CHtmlEditor::kAlignLeft, "LeftAlign.gif", 18, ToolKind::Toggle},
    {CHtmlEditor::kAlignCenter, "CenterAlign.gif", 18, ToolKind::Toggle},
    {CHtmlEditor::kAlignRight, "RightAlign.gif", 18, ToolKind::Toggle},
    {CHtmlEditor::kOrderedList, "OrderList.gif", 18, ToolKind::Toggle},
    {CHtmlEditor::kBulletedList, "UnOrderList.gif", 18, ToolKind::Toggle},
    {CHtmlEditor::kHorizontalLine, "InsertLine.gif", 20, ToolKind::Button},
    {CHtmlEditor::kTableMenu, "InsertTable.gif", 26, ToolKind::Button},
    {CHtmlEditor::kHyperlink, "HyperLink.gif", 20, ToolKind::Button},
    {CHtmlEditor::kImage, "InsertImage.gif", 20, ToolKind::Button},
};

constexpr int kRowHeight = 20;
constexpr int kToolFlags = kItemFixedWidth | kItemOwnHeight;
constexpr int kListHeight = 200;
constexpr ColorRef kWhite = MakeColorRef(255, 255, 255);
constexpr const char* kFontSizes[] = {"8", "10", "12", "14", "16", "24", "36"};

// The size list also answers when its drop-down closes without a choice,
// so picking the size already shown applies it to a new selection. A close
// that came with a choice has been answered by that choice: the check runs
// after the closing click's own signals.
class FontSizeList : public QComboBox
{
public:
    FontSizeList(QWidget* parent, std::function<void()> apply)
        : QComboBox(parent), apply_(std::move(apply))
    {
        connect(this, &QComboBox::activated, this, [this] {
            chosenWhileOpen_ = true;
            apply_();
        });
        connect(this, &QComboBox::editTextChanged, this, [this] { apply_(); });
    }

    void showPopup() override
    {
        chosenWhileOpen_ = false;
        open_ = true;
        QComboBox::showPopup();
    }

    // Qt also calls this when the list is hidden or disabled with its
    // drop-down closed; that is no close by the user.
    void hidePopup() override
    {
        QComboBox::hidePopup();
        if (!open_)
            return;
        open_ = false;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!chosenWhileOpen_)
                    apply_();
                chosenWhileOpen_ = false;
            },
            Qt::QueuedConnection);
    }

private:
    std::function<void()> apply_;
    bool chosenWhileOpen_ = false;
    bool open_ = false;
};

QComboBox* SetUpList(QComboBox* list, int id)
{
    list->setEditable(false);
    list->setFocusPolicy(Qt::ClickFocus);
    SetControlId(list, id);
    return list;
}

QComboBox* MakeList(QWidget* parent, int id)
{
    return SetUpList(new QComboBox(parent), id);
}

} // namespace

void CHtmlEditor::BuildToolbar()
{
    CLayoutRow* row = toolbar_->AddRow(kRowHeight, kRowFixedHeight);
    const std::string images = GetModuleDir() + "images/";
    for (const ToolDefinition& tool : kTools) {
        CImageButton* button = nullptr;
        switch (tool.kind) {
        case ToolKind::Toggle:
            button = new CImageButton(toolbar_);
            button->Create("", kStyleVisible | kStyleTabStop | kButtonCheckBox, toolbar_, tool.id);
            toolbar_->GetLayout().AddItem(row, button, tool.width, kToolFlags);
            break;
        case ToolKind::Button:
            button = toolbar_->AddButton(row, "", tool.id, tool.width, kToolFlags);
            break;
        case ToolKind::FontNames: {
            QComboBox* list = MakeList(toolbar_, tool.id);
            FillFontNames(list);
            list->setCurrentIndex(-1);
            connect(list, &QComboBox::activated, this, [this] { OnFontNameChosen(); });
            toolbar_->GetLayout().AddItem(row, list, tool.width, kToolFlags)->height = kListHeight;
            break;
        }
        case ToolKind::FontSizes: {
            QComboBox* list =
                SetUpList(new FontSizeList(toolbar_, [this] { OnFontSizeChosen(); }), tool.id);
            for (const char* size : kFontSizes)
                list->addItem(size);
            list->setCurrentIndex(-1);
            toolbar_->GetLayout().AddItem(row, list, tool.width, kToolFlags)->height = kListHeight;
            break;
        }
        }
        if (button)
            button->SetImageFile(images + tool.picture, kWhite);
        if (button && tool.id == kSourceToggle)
            button->SetTooltipText(vellum::text::FromUtf8("源码"), true);
    }
    toolbar_->Relayout();
}

// The display's families, sorted as the platform's sorted list sorts them.
// Nothing is selected until the refresh finds the face at the caret; a face
// the display lacks (the usual 宋体) is shown without becoming an entry, so
// the list never offers a face that would not show here.
void CHtmlEditor::FillFontNames(QComboBox* list)
{
    QStringList families = QFontDatabase::families();
    std::sort(families.begin(), families.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    families.removeDuplicates();
    list->addItems(families);
    list->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}
