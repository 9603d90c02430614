// The common course of the two dialog exports: find the host's main window,
// read the parameter string, open a session of the call's own, run the
// dialog modally over the main window, close the session afterwards.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class CDbSession;
class QWidget;

namespace vellum::entry {

// What the dialog is given; the session lives for the call only.
struct DialogRequest
{
    QWidget* mainWindow = nullptr;
    CDbSession* session = nullptr;
    int key = -1; // Keyid; -1 when absent, 0 when not a number
    std::string userName;
};

// The compose export waits a second before it opens the database; the read
// export does not.
enum class PauseBeforeOpen { None, OneSecond };

// 0 when there is no main window (nothing is read or shown) or the session
// could not be opened (its error text was shown over the main window); else
// 1 once runDialog has returned, whatever the user did in the dialog.
int32_t RunDialogExport(const char* params, PauseBeforeOpen pause,
                        const std::function<void(const DialogRequest&)>& runDialog);

} // namespace vellum::entry
