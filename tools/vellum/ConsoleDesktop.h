// The desk of the command line: messages go to stderr, the file to upload
// comes from the command line, and files are opened with xdg-open only when
// asked. It is also this program's default desktop, so `vellum` never loads
// Qt and starts in a few milliseconds.
#pragma once

#include "platform/ui/DesktopServices.h"

#include <optional>
#include <string>

class ConsoleDesktop : public vellum::ui::DesktopServices
{
public:
    ConsoleDesktop(std::optional<std::string> file, bool openFiles)
        : m_file(std::move(file)), m_openFiles(openFiles)
    {
    }

    int MessagesShown() const { return m_messages; }

    vellum::ui::MessageAnswer ShowMessage(QWidget*, const std::string& text, const std::string&,
                                          vellum::ui::MessageButtons,
                                          vellum::ui::MessageIcon) override;
    std::optional<std::string> ChooseOpenFile(QWidget*, const std::string&) override
    {
        return m_file;
    }
    std::optional<vellum::ui::ColorRef> ChooseColor(QWidget*, vellum::ui::ColorRef) override
    {
        return std::nullopt;
    }
    bool ShellOpen(const std::string& path) override;
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void Pause(int) override {}
    int RunModal(QWidget&) override { return vellum::ui::kDialogCancel; }

private:
    std::optional<std::string> m_file;
    bool m_openFiles;
    int m_messages = 0;
};
