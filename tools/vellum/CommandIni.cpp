// `vellum ini`: reads and edits the module's ini files with the module's own
// ini document, so what it shows is what the module sees. FILE is a file
// name of this system; section, key and value texts are host code page bytes.
#include "Command.h"
#include "base/IniDocument.h"
#include "platform/text/CodePage.h"

#include <cstdio>
#include <optional>

namespace {

void PrintLine(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

void PrintLines(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        PrintLine(line);
}

// The document works on host code page paths; the command line gives the
// system's own (UTF-8) file name.
bool LoadFile(CIniDocument& ini, const std::string& file)
{
    return ini.Load(vellum::text::FromUtf8(file)) == 1;
}

int RunGet(const CommandArgs& args)
{
    CIniDocument ini;
    if (!LoadFile(ini, args[1]))
        return CommandFailure("cannot read '" + args[1] + "'");
    std::optional<std::string> value = ini.Get(args[2], args[3]);
    if (!value)
        return CommandFailure("no key '" + args[3] + "' in section '" + args[2] + "'");
    PrintLine(*value);
    return 0;
}

int RunSet(const CommandArgs& args)
{
    CIniDocument ini;
    // A missing file is fine: it is created with the one key.
    std::string path = vellum::text::FromUtf8(args[1]);
    ini.Load(path);
    ini.Set(args[2], args[3], args[4]);
    if (ini.Save(path) != 1)
        return CommandFailure("cannot write '" + args[1] + "'");
    return 0;
}

int RunSections(const CommandArgs& args)
{
    CIniDocument ini;
    if (!LoadFile(ini, args[1]))
        return CommandFailure("cannot read '" + args[1] + "'");
    std::vector<std::string> names;
    ini.GetSectionNames(&names);
    PrintLines(names);
    return 0;
}

int RunKeys(const CommandArgs& args)
{
    CIniDocument ini;
    if (!LoadFile(ini, args[1]))
        return CommandFailure("cannot read '" + args[1] + "'");
    std::vector<std::string> keys;
    ini.GetKeys(args[2], &keys);
    PrintLines(keys);
    return 0;
}

int RunIni(const CommandArgs& args)
{
    struct Action
    {
        const char* name;
        size_t argCount; // including the action's name
        int (*run)(const CommandArgs&);
    };
    static const Action kActions[] = {
        {"get", 4, RunGet}, {"set", 5, RunSet}, {"sections", 2, RunSections}, {"keys", 3, RunKeys}};
    for (const Action& action : kActions) {
        if (args.empty() || args[0] != action.name)
            continue;
        if (args.size() != action.argCount)
            break;
        return action.run(args);
    }
    return CommandFailure("usage: vellum ini get|set|sections|keys FILE ... (vellum ini --help)");
}

const VellumCommand
    command("ini", "read and edit ini files as the module does",
            "usage: vellum ini get FILE SECTION KEY\n"
            "       vellum ini set FILE SECTION KEY VALUE\n"
            "       vellum ini sections FILE\n"
            "       vellum ini keys FILE SECTION\n"
            "\n"
            "get prints the value of KEY in SECTION (names compare without regard to\n"
            "letter case) and exits 1 when there is none. set loads FILE (or starts an\n"
            "empty document when it is missing), sets the value and saves FILE in the\n"
            "module's layout. sections prints every non-empty section name, keys every\n"
            "key name of SECTION, one per line. A FILE that cannot be read is a failure.",
            RunIni);

} // namespace
