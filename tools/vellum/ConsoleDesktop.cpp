#include "ConsoleDesktop.h"

#include "platform/text/CodePage.h"

#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

vellum::ui::MessageAnswer ConsoleDesktop::ShowMessage(QWidget*, const std::string& text,
                                                      const std::string&,
                                                      vellum::ui::MessageButtons,
                                                      vellum::ui::MessageIcon)
{
    ++m_messages;
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
    return vellum::ui::MessageAnswer::Ok;
}

bool ConsoleDesktop::ShellOpen(const std::string& path)
{
    if (!m_openFiles)
        return true;
    std::string file = vellum::text::ToUtf8(path);
    const char* argv[] = {"xdg-open", file.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char**>(argv), environ))
        return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

namespace vellum::ui {

// Defined here, this program's default replaces the Qt one of the platform
// library, whose object file is then never linked, and neither is Qt.
DesktopServices& DefaultDesktop()
{
    static ConsoleDesktop console(std::nullopt, false);
    return console;
}

} // namespace vellum::ui
