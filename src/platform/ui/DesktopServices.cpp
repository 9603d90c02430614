// The process-wide desktop instance and the message-box conveniences that
// every window uses.
#include "platform/ui/DesktopServices.h"

namespace vellum::ui {
namespace {

DesktopServices* installed = nullptr;

std::string& ApplicationNameStorage()
{
    static std::string name = "Vellum";
    return name;
}

} // namespace

DesktopServices& CurrentDesktop()
{
    return installed ? *installed : DefaultDesktop();
}

DesktopServices* SetCurrentDesktop(DesktopServices* services)
{
    DesktopServices* previous = installed;
    installed = services;
    return previous;
}

const std::string& ApplicationName()
{
    return ApplicationNameStorage();
}

void SetApplicationName(const std::string& name)
{
    ApplicationNameStorage() = name;
}

MessageAnswer MessageBox(const std::string& text, MessageButtons buttons, QWidget* parent)
{
    return CurrentDesktop().ShowMessage(parent, text, ApplicationName(), buttons,
                                        MessageIcon::None);
}

void InformationBox(const std::string& text, QWidget* parent)
{
    CurrentDesktop().ShowMessage(parent, text, ApplicationName(), MessageButtons::Ok,
                                 MessageIcon::Information);
}

MessageAnswer ErrorMessageBox(const std::string& text, QWidget* parent)
{
    return CurrentDesktop().ShowMessage(parent, text, "Error", MessageButtons::Ok,
                                        MessageIcon::Error);
}

} // namespace vellum::ui
