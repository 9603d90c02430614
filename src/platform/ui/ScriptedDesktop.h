// A scripted person at the desk, for tests: every question is answered from
// a queue the test filled beforehand, every text and caption shown is
// recorded, and a modal dialog is handed to the test's next action (fill
// fields, press buttons) before it closes. Nothing ever waits for input, so
// whole flows run headless and deterministic.
//
// With the queue empty the scripted person takes the cautious answer: OK for
// a plain message, Cancel or No for a question, no file, no colour, and a
// modal dialog is cancelled.
#pragma once

#include "platform/ui/DesktopServices.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace vellum::ui {

struct ShownMessage
{
    std::string text;
    std::string caption;
    MessageButtons buttons;
    MessageIcon icon;
};

class ScriptedDesktop : public DesktopServices
{
public:
    using ModalAction = std::function<void(QWidget& dialog)>;

    // Queue the answers, each used once in order. Only questions (OK/Cancel,
    // Yes/No) draw a message answer; a plain message is simply acknowledged.
    void AnswerMessage(MessageAnswer answer) { messageAnswers_.push_back(answer); }
    void AnswerOpenFile(std::optional<std::string> path)
    {
        fileAnswers_.push_back(std::move(path));
    }
    void AnswerColor(std::optional<ColorRef> color) { colorAnswers_.push_back(color); }
    // The action runs while the next modal dialog is shown. A dialog the
    // action leaves open is cancelled afterwards.
    void ActInModal(ModalAction action) { modalActions_.push_back(std::move(action)); }
    // The command the next popup menu answers; one that is not on the menu
    // (or an empty queue) dismisses it.
    void ChooseMenuCommand(int command) { menuAnswers_.push_back(command); }

    // What the code under test showed and did, in order.
    const std::vector<ShownMessage>& Messages() const { return messages_; }
    const std::vector<std::string>& FileFilters() const { return fileFilters_; }
    const std::vector<std::string>& OpenedPaths() const { return openedPaths_; }
    const std::vector<std::string>& ModalCaptions() const { return modalCaptions_; }
    const std::vector<int>& Pauses() const { return pauses_; }
    // The labels of every popup menu shown, one list per menu.
    const std::vector<std::vector<std::string>>& Menus() const { return menus_; }
    int ColorDialogCount() const { return colorDialogs_; }
    int WaitCursorDepth() const { return waitDepth_; }
    int WaitCursorCount() const { return waitCount_; }
    // Answers queued but never asked for (a test usually expects 0).
    size_t UnusedAnswers() const;

    // Opening a file succeeds unless a test says otherwise.
    void SetShellOpenSucceeds(bool succeeds) { shellOpenSucceeds_ = succeeds; }

    MessageAnswer ShowMessage(QWidget* parent, const std::string& text, const std::string& caption,
                              MessageButtons buttons, MessageIcon icon) override;
    std::optional<std::string> ChooseOpenFile(QWidget* parent, const std::string& filter) override;
    std::optional<ColorRef> ChooseColor(QWidget* parent, ColorRef initial) override;
    bool ShellOpen(const std::string& path) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void Pause(int milliseconds) override;
    int RunModal(QWidget& dialog) override;
    int TrackPopupMenu(QWidget* parent, const std::vector<MenuEntry>& entries, int globalX,
                       int globalY) override;

private:
    std::deque<MessageAnswer> messageAnswers_;
    std::deque<std::optional<std::string>> fileAnswers_;
    std::deque<std::optional<ColorRef>> colorAnswers_;
    std::deque<ModalAction> modalActions_;
    std::deque<int> menuAnswers_;

    std::vector<ShownMessage> messages_;
    std::vector<std::string> fileFilters_;
    std::vector<std::string> openedPaths_;
    std::vector<std::string> modalCaptions_;
    std::vector<std::vector<std::string>> menus_;
    std::vector<int> pauses_;
    int colorDialogs_ = 0;
    int waitDepth_ = 0;
    int waitCount_ = 0;
    bool shellOpenSucceeds_ = true;
};

} // namespace vellum::ui
