// `vellum params`: shows how the module parses a parameter string, or looks
// one name up in it the way the exports do.
#include "Command.h"
#include "base/RequestParams.h"

#include <cstdio>
#include <optional>
#include <string_view>

namespace {

// Texts go out as raw host code page bytes, whatever they hold.
void PrintBytes(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void PrintRow(std::string_view label, std::string_view first, const std::string* second)
{
    PrintBytes(label);
    PrintBytes("\t");
    PrintBytes(first);
    if (second) {
        PrintBytes("\t");
        PrintBytes(*second);
    }
    PrintBytes("\n");
}

int PrintParse(const CRequestParams& params)
{
    PrintRow("path", params.GetPath(), nullptr);
    PrintRow("query", params.GetQuery(), nullptr);
    for (int i = 0; i < params.GetCount(); ++i)
        PrintRow("entry", params.GetName(i), &params.GetValue(i));
    return 0;
}

int PrintLookup(const CRequestParams& params, const std::string& name, bool asInt)
{
    if (asInt) {
        std::printf("%d\n", params.GetInt(name));
        return 0;
    }
    std::optional<std::string> value = params.Get(name);
    if (!value)
        return CommandFailure("no parameter named '" + name + "'");
    PrintBytes(*value);
    PrintBytes("\n");
    return 0;
}

int RunParams(const CommandArgs& given)
{
    CommandArgs args = given;
    bool asInt = TakeFlag(args, "int");
    if (args.empty() || args.size() > 2)
        return CommandFailure("usage: vellum params TEXT [NAME [--int]] (vellum params --help)");
    if (asInt && args.size() != 2)
        return CommandFailure("--int needs a NAME to look up");
    CRequestParams params;
    params.Parse(args[0]);
    return args.size() == 1 ? PrintParse(params) : PrintLookup(params, args[1], asInt);
}

const VellumCommand
    command("params", "parse a URL-style parameter string",
            "usage: vellum params TEXT\n"
            "       vellum params TEXT NAME [--int]\n"
            "\n"
            "Parses TEXT as the exports parse their parameter string. Without NAME it\n"
            "prints 'path<TAB>P', 'query<TAB>Q' and one 'entry<TAB>NAME<TAB>VALUE' line\n"
            "per entry in order (names as written, values decoded).\n"
            "With NAME it prints the value of the first entry of that name (letter case\n"
            "ignored) and exits 1 when there is none; with --int it prints the value as\n"
            "a number (-1 when the name is absent).",
            RunParams);

} // namespace
