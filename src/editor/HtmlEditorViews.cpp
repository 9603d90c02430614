// The switch between the design view and the source view, and the toolbar
// refresh that keeps the toggles, lists and enabled states in step with the
// selection.
#include "editor/HtmlEditor.h"
#include "editor/SourceText.h"
#include "html/CommandTarget.h"
#include "html/Document.h"
#include "html/ImageSource.h"
#include "htmlview/HtmlView.h"
#include "platform/text/CodePage.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/QtText.h"
#include "platform/ui/WindowText.h"
#include "ui/LayoutCtrl.h"

#include <QComboBox>
#include <QPlainTextEdit>

using namespace vellum::html;
using namespace vellum::ui;

namespace {

struct TogglePair
{
    int command;
    int toggle;
};

constexpr TogglePair kToggles[] = {
    {CHtmlDocument::kViewSource, CHtmlEditor::kSourceToggle},
    {command::Bold, CHtmlEditor::kBold},
    {command::Italic, CHtmlEditor::kItalic},
    {command::Underline, CHtmlEditor::kUnderline},
    {command::JustifyLeft, CHtmlEditor::kAlignLeft},
    {command::JustifyCenter, CHtmlEditor::kAlignCenter},
    {command::JustifyRight, CHtmlEditor::kAlignRight},
    {command::OrderList, CHtmlEditor::kOrderedList},
    {command::UnorderList, CHtmlEditor::kBulletedList},
};

bool HasSelection(const Document& document)
{
    const Selection& selection = document.GetSelection();
    if (selection.IsControl())
        return !selection.ControlElements().empty();
    return selection.IsTextRange() && !RangeText(selection.GetRange()).empty();
}

// The entry beginning with `value`, ignoring case, searched from the second
// entry on and wrapping round to the first; -1 when none does.
int EntryBeginningWith(const QComboBox& list, const QString& value)
{
    const int count = list.count();
    for (int step = 0; step < count; ++step) {
        int index = (1 + step) % count;
        if (list.itemText(index).startsWith(value, Qt::CaseInsensitive))
            return index;
    }
    return -1;
}

// The face a font list such as "Arial, 'Noto Sans', sans-serif" asks for
// first.
QString FirstFamily(const QString& faces)
{
    QString first = faces.section(',', 0, 0).trimmed();
    if (first.size() >= 2 && (first.front() == '"' || first.front() == '\'') &&
        first.back() == first.front())
        first = first.mid(1, first.size() - 2);
    return first;
}

} // namespace

void CHtmlEditor::SwitchSourceView()
{
    const bool wanted = GetCheck(FindControl(toolbar_, kSourceToggle)) != 0;
    if (wanted != sourceMode_) {
        FinishLoading();
        document_.SetDesignMode(true);
        document_.Attach(view_);
        if (Document* document = document_.GetDocument();
            document && document->Url() != u"about:blank")
            MakeImageSourcesAbsolute(*document);
        sourceMode_ = wanted;
        document_.SetSourceViewShown(sourceMode_);
        if (sourceMode_) {
            document_.EnsureBody(true);
            Element* root = document_.GetDocument()->DocumentElement();
            sourceHtml_ = root ? root->OuterHtml() : std::u16string();
            sourceShown_ = QString::fromStdU16String(SourceViewText(sourceHtml_));
            sourceView_->setPlainText(sourceShown_);
        } else {
            const QString text = sourceView_->toPlainText();
            LoadHTML(text == sourceShown_ ? sourceHtml_ : text.toStdU16String());
        }
    }
    sourceView_->setVisible(sourceMode_);
    PlaceChildren();
    if (sourceMode_)
        sourceView_->setFocus(Qt::OtherFocusReason);
    // Enabling every control first lets the refresh settle copy, cut and
    // hyperlink by the selection.
    EnableToolbarCommands(!sourceMode_);
    OnCommand(kRefreshToolbar);
}

void CHtmlEditor::RefreshToolbar()
{
    Document* document = document_.GetDocument();
    if (!toolbar_ || !document)
        return;
    if (!sourceMode_) {
        const bool selected = HasSelection(*document);
        for (int id : {kCopy, kCut, kHyperlink})
            if (QWidget* control = FindControl(toolbar_, id))
                control->setEnabled(selected);
    }
    for (const TogglePair& pair : kToggles) {
        QWidget* toggle = FindControl(toolbar_, pair.toggle);
        int checked = (document_.QueryCommandStatus(pair.command) & status::Latched) ? 1 : 0;
        if (toggle && GetCheck(toggle) != checked)
            SetCheck(toggle, checked);
    }
    RefreshList(command::FontName, kFontName);
    RefreshList(CHtmlDocument::kFontSizePixels, kFontSize);
}

// The list shows the value at the caret. Names may match an entry by
// their beginning (a face the display spells longer); sizes only exactly, or
// 2 would show as 24. A value no entry has (宋体 where the display lacks it,
// a size of 18) is still the text's: the box shows it in the placeholder's
// grey instead of keeping the value it showed before.
void CHtmlEditor::RefreshList(int commandId, int listId)
{
    auto* list = qobject_cast<QComboBox*>(FindControl(toolbar_, listId));
    std::optional<std::string> value = document_.QueryCommandValue(commandId);
    if (!list || !value || value->empty())
        return;
    QString text = ToQString(*value);
    if (commandId == command::FontName)
        text = FirstFamily(text);
    if (text == list->currentText())
        return;
    int index = list->findText(text, Qt::MatchFixedString);
    if (index < 0 && commandId == command::FontName)
        index = EntryBeginningWith(*list, text);
    list->setPlaceholderText(index < 0 ? text : QString());
    list->setCurrentIndex(index);
}

void CHtmlEditor::EnableToolbarCommands(bool enabled)
{
    for (int id = kCopy; id <= kLastToolbarCommand; ++id)
        if (QWidget* control = FindControl(toolbar_, id))
            control->setEnabled(enabled);
}
