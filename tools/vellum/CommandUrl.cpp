// `vellum url`: the module's URL coding of parameter values.
#include "Command.h"
#include "base/TextHelpers.h"

#include <cstdio>

namespace {

int RunUrl(const CommandArgs& args)
{
    if (args.size() != 2 || (args[0] != "encode" && args[0] != "decode"))
        return CommandFailure("usage: vellum url encode|decode TEXT (vellum url --help)");
    std::string out = args[0] == "encode" ? UrlEncode(args[1]) : UrlDecode(args[1]);
    out += '\n';
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

const VellumCommand
    command("url", "URL-encode or decode a text",
            "usage: vellum url encode TEXT\n"
            "       vellum url decode TEXT\n"
            "\n"
            "encode writes every byte but ASCII letters and digits as %XX (upper-case\n"
            "digits, a space as %20). decode turns '+' into a space and %XX into its\n"
            "byte, and drops a '%' that is not followed by two hexadecimal digits.\n"
            "Text is read and printed as raw bytes of the host code page.",
            RunUrl);

} // namespace
