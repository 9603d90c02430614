// The `vellum` command: admin and scripting front end over the module's own
// code. Output is plain text (tab-separated where it is a table) and text is
// printed as the raw bytes of the host code page, since scripts rely on it.
#include "Command.h"
#include "db/ConnectionString.h"
#include "platform/text/CodePage.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>

namespace {

struct CommandEntry
{
    std::string summary;
    std::string usage;
    std::function<int(const CommandArgs&)> run;
};

std::map<std::string, CommandEntry>& Commands()
{
    static std::map<std::string, CommandEntry> commands;
    return commands;
}

void PrintOverview(FILE* out)
{
    std::fprintf(out, "usage: vellum COMMAND [ARGS...]   (vellum COMMAND --help for details)\n\n");
    for (const auto& [name, entry] : Commands())
        std::fprintf(out, "  %-10s %s\n", name.c_str(), entry.summary.c_str());
    std::fprintf(out, "\nEvery command that takes --connect also takes --wait SECONDS: a database "
                      "that cannot\nbe reached yet (restarting, starting up) is tried again, "
                      "waiting longer each time,\nfor up to that long. Instead of --connect, "
                      "--connect-file FILE names a file only\nits owner may read (chmod 600) "
                      "whose first line is the connection string, and\nwithout either the "
                      "variable VELLUM_CONNECT gives it: a password on the command line\nis "
                      "readable by every user of the machine while the command runs.\n");
}

} // namespace

VellumCommand::VellumCommand(std::string name, std::string summary, std::string usage,
                             std::function<int(const CommandArgs&)> run)
{
    Commands()[std::move(name)] = {std::move(summary), std::move(usage), std::move(run)};
}

int CommandFailure(const std::string& message)
{
    std::fprintf(stderr, "vellum: %s\n", message.c_str());
    return 1;
}

bool TakeOption(CommandArgs& args, const std::string& name, std::string& value)
{
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] != "--" + name)
            continue;
        value = args[i + 1];
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
        return true;
    }
    return false;
}

bool TakeFlag(CommandArgs& args, const std::string& name)
{
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--" + name)
            continue;
        args.erase(args.begin() + static_cast<long>(i));
        return true;
    }
    return false;
}

std::string WithoutLineEnd(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad();
}

namespace {

// Every command's --user names a user, and its bytes must be text in the
// code page: undecodable bytes would be folded on the database's side, and
// "bob\xff" would open bob\uFFFD's mail.
bool UserNamesAreText(const CommandArgs& args)
{
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "--user" && !vellum::text::IsValidHostText(args[i + 1]))
            return false;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    CommandArgs args(argv + 1, argv + argc);
    // Other users read the arguments in /proc/PID/cmdline for as long as the
    // command runs; the copy above keeps the real values.
    for (int i = 1; i < argc; ++i)
        vellum::db::MaskPasswordsInPlace(argv[i]);
    if (std::string error = vellum::text::HostCodePageError(); !error.empty())
        return CommandFailure(error);
    if (!UserNamesAreText(args))
        return CommandFailure("--user: the name holds bytes that are not text in the code page " +
                              vellum::text::HostCodePage());
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        PrintOverview(args.empty() ? stderr : stdout);
        return args.empty() ? 1 : 0;
    }
    auto found = Commands().find(args[0]);
    if (found == Commands().end())
        return CommandFailure("unknown command '" + args[0] + "' (vellum --help lists them)");
    args.erase(args.begin());
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::printf("%s\n", found->second.usage.c_str());
        return 0;
    }
    return found->second.run(args);
}
