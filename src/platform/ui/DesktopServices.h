// The one seam through which the module meets the person at the desk: message
// boxes, the file-open and colour dialogs, opening a file with its program,
// the wait cursor, a pause, and the modal run of the module's own dialogs.
//
// Production uses the Qt implementation (QtDesktopServices); tests install a
// ScriptedDesktop that answers from a queue and records what it was shown, so
// whole flows run headless. Texts and paths are host code page bytes, like
// every string of the module. This header stays free of Qt so that store,
// network and entry code can use it.
#pragma once

#include "platform/ui/Color.h"

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace vellum::ui {

// SaveDiscardCancel asks whether to keep changes before closing: its buttons
// read 保存, 不保存 and 取消 and answer Yes, No and Cancel.
enum class MessageButtons { Ok, OkCancel, YesNo, SaveDiscardCancel };

enum class MessageIcon { None, Information, Error };

// The values are the platform's button identifiers (IDOK, IDCANCEL, IDYES,
// IDNO), so ported comparisons read the same.
enum class MessageAnswer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

// One entry of a popup menu: its label (host code page bytes) and the
// command it stands for.
struct MenuEntry
{
    int command = 0;
    std::string label;
};

// Result codes of a modal dialog run (the dialog's own end code otherwise).
constexpr int kDialogOk = 1;
constexpr int kDialogCancel = 2;

class DesktopServices
{
public:
    virtual ~DesktopServices() = default;

    // Shows a message and waits for an answer. The caption is final here:
    // the free functions below fill in the default one.
    virtual MessageAnswer ShowMessage(QWidget* parent, const std::string& text,
                                      const std::string& caption, MessageButtons buttons,
                                      MessageIcon icon) = 0;

    // The filter is in the platform's form, "描述 (*.x)|*.x|...||". Returns the
    // chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> ChooseOpenFile(QWidget* parent,
                                                      const std::string& filter) = 0;

    virtual std::optional<ColorRef> ChooseColor(QWidget* parent, ColorRef initial) = 0;

    // Opens a file with its associated program; false when nothing could.
    virtual bool ShellOpen(const std::string& path) = 0;

    // Nested begin/end pairs; the cursor is restored by the last end.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    virtual void Pause(int milliseconds) = 0;

    // Runs one of the module's own dialogs (a QDialog) modally and returns its
    // result code: kDialogOk, kDialogCancel or the code it ended with.
    virtual int RunModal(QWidget& dialog) = 0;

    // Shows a popup menu with its top-left corner at the global point and
    // returns the chosen entry's command, 0 when it was dismissed. A desktop
    // that cannot show menus (a console) dismisses every one.
    virtual int TrackPopupMenu(QWidget* parent, const std::vector<MenuEntry>& entries, int globalX,
                               int globalY)
    {
        (void)parent;
        (void)entries;
        (void)globalX;
        (void)globalY;
        return 0;
    }
};

// The process-wide instance: the one installed last, else the default one.
DesktopServices& CurrentDesktop();

// The instance used while none is installed: the Qt one, defined beside it. A
// program that never opens a window defines its own instead (the command line
// prints its messages); the Qt one is then not linked in, nor Qt with it.
DesktopServices& DefaultDesktop();

// Installs an instance (not owned; nullptr goes back to the default). Returns the one
// it replaces so that a caller can put it back.
DesktopServices* SetCurrentDesktop(DesktopServices* services);

// The caption a message box gets when the caller gives none.
const std::string& ApplicationName();
void SetApplicationName(const std::string& name);

// A message box with the application's name as caption.
MessageAnswer MessageBox(const std::string& text, MessageButtons buttons = MessageButtons::Ok,
                         QWidget* parent = nullptr);

// A message with an OK button and the information icon: something went as
// asked (a mail was sent), nothing to warn about.
void InformationBox(const std::string& text, QWidget* parent = nullptr);

// A message box captioned "Error" with the error icon.
MessageAnswer ErrorMessageBox(const std::string& text, QWidget* parent = nullptr);

// Shows the wait cursor for the lifetime of the guard.
class WaitCursor
{
public:
    WaitCursor() { CurrentDesktop().BeginWaitCursor(); }
    ~WaitCursor() { CurrentDesktop().EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Installs a desktop for the lifetime of the guard and puts the previous one
// back afterwards (tests).
class ScopedDesktop
{
public:
    explicit ScopedDesktop(DesktopServices& services) : previous_(SetCurrentDesktop(&services)) {}
    ~ScopedDesktop() { SetCurrentDesktop(previous_); }
    ScopedDesktop(const ScopedDesktop&) = delete;
    ScopedDesktop& operator=(const ScopedDesktop&) = delete;

private:
    DesktopServices* previous_;
};

} // namespace vellum::ui
