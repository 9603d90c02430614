// Each answer is taken off its queue before the code under test carries on,
// so a message box raised from inside a modal action draws the next answer
// rather than the one meant for an outer question.
#include "platform/ui/ScriptedDesktop.h"

#include "platform/ui/QtText.h"

#include <QCoreApplication>
#include <QDialog>

namespace vellum::ui {
namespace {

template <typename T> std::optional<T> TakeFront(std::deque<T>& queue)
{
    if (queue.empty())
        return std::nullopt;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}

MessageAnswer CautiousAnswer(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::OkCancel:
        return MessageAnswer::Cancel;
    case MessageButtons::YesNo:
        return MessageAnswer::No;
    case MessageButtons::SaveDiscardCancel:
        return MessageAnswer::Cancel;
    case MessageButtons::Ok:
        break;
    }
    return MessageAnswer::Ok;
}

} // namespace

size_t ScriptedDesktop::UnusedAnswers() const
{
    return messageAnswers_.size() + fileAnswers_.size() + colorAnswers_.size() +
           modalActions_.size() + menuAnswers_.size();
}

MessageAnswer ScriptedDesktop::ShowMessage(QWidget*, const std::string& text,
                                           const std::string& caption, MessageButtons buttons,
                                           MessageIcon icon)
{
    messages_.push_back({text, caption, buttons, icon});
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    return TakeFront(messageAnswers_).value_or(CautiousAnswer(buttons));
}

std::optional<std::string> ScriptedDesktop::ChooseOpenFile(QWidget*, const std::string& filter)
{
    fileFilters_.push_back(filter);
    return TakeFront(fileAnswers_).value_or(std::nullopt);
}

std::optional<ColorRef> ScriptedDesktop::ChooseColor(QWidget*, ColorRef)
{
    ++colorDialogs_;
    return TakeFront(colorAnswers_).value_or(std::nullopt);
}

bool ScriptedDesktop::ShellOpen(const std::string& path)
{
    openedPaths_.push_back(path);
    return shellOpenSucceeds_;
}

void ScriptedDesktop::BeginWaitCursor()
{
    ++waitDepth_;
    ++waitCount_;
}

void ScriptedDesktop::EndWaitCursor()
{
    if (waitDepth_ > 0)
        --waitDepth_;
}

void ScriptedDesktop::Pause(int milliseconds)
{
    pauses_.push_back(milliseconds);
}

// The dialog is shown (offscreen in tests) so that it lays itself out as it
// would for a person; a dialog that is not a QDialog cannot run modally.
int ScriptedDesktop::RunModal(QWidget& dialog)
{
    auto* qtDialog = qobject_cast<QDialog*>(&dialog);
    if (!qtDialog)
        return -1;
    modalCaptions_.push_back(FromQString(qtDialog->windowTitle()));
    qtDialog->setResult(0);
    qtDialog->show();
    QCoreApplication::processEvents();
    if (std::optional<ModalAction> action = TakeFront(modalActions_))
        (*action)(dialog);
    QCoreApplication::processEvents();
    if (qtDialog->isVisible())
        qtDialog->done(kDialogCancel);
    return qtDialog->result();
}

int ScriptedDesktop::TrackPopupMenu(QWidget*, const std::vector<MenuEntry>& entries, int, int)
{
    std::vector<std::string> labels;
    for (const MenuEntry& entry : entries)
        labels.push_back(entry.label);
    menus_.push_back(std::move(labels));
    std::optional<int> answer = TakeFront(menuAnswers_);
    for (const MenuEntry& entry : entries)
        if (answer && entry.command == *answer)
            return entry.command;
    return 0;
}

} // namespace vellum::ui
