// The desktop services of a real session: Qt's message box, file and colour
// dialogs, the desktop's "open" for files, and the override cursor.
#pragma once

#include "platform/ui/DesktopServices.h"

namespace vellum::ui {

class QtDesktopServices : public DesktopServices
{
public:
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
};

} // namespace vellum::ui
