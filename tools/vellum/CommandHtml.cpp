// `vellum html FILE`: loads a mail body the way the editor does (host code
// page bytes, converted to the ASCII-safe form) and prints the document's
// outer HTML in the host code page, so a body can be checked from a script.
#include "Command.h"
#include "html/Document.h"
#include "html/Serializer.h"
#include "platform/text/CodePage.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

int RunHtml(const CommandArgs& args)
{
    if (args.size() != 1)
        return CommandFailure("html: expected one FILE (vellum html --help)");
    std::ifstream file(args[0], std::ios::binary);
    if (!file)
        return CommandFailure("html: cannot read " + args[0]);
    std::string body((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    vellum::html::Document document;
    document.BeginLoadFromBytes(vellum::html::ToAsciiSafeHtml(vellum::text::ToUtf16(body)));
    document.CompleteLoad();
    vellum::html::Element* html = document.DocumentElement();
    if (!html)
        return CommandFailure("html: the document has no HTML element");
    std::string out = vellum::html::ToHostBytes(html->OuterHtml());
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
    return 0;
}

VellumCommand htmlCommand("html", "print a mail body as the HTML editor serializes it",
                          "usage: vellum html FILE\n\n"
                          "Loads FILE (bytes in the host code page, VELLUM_CODEPAGE) as the HTML\n"
                          "editor loads a body and prints the outer HTML of the document in the\n"
                          "host code page. Nothing in the file runs and nothing is fetched.",
                          RunHtml);

} // namespace
