// Fuzz target: the CSS lengths a font-size style holds, as the editor turns
// them into pixels. Any text converts without overflow (the sanitizers stop
// the run on one), a length in pixels converts to its own number, and a
// unit never changes the sign.
#include "FuzzInput.h"
#include "editor/HtmlDocument.h"

using vellum::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vellum::fuzz::FuzzInput input(data, size);
    int number = static_cast<int>(input.Byte() * 256 + input.Byte()) - 32768;
    std::string text = input.Rest();
    long pixels = CssLengthToPixels(text);
    CssLengthToPixels(std::to_string(number) + text);
    Check(CssLengthToPixels(std::to_string(number) + "px") == number, "pixels stay pixels");
    for (const char* unit : {"pt", "mm", "cm", "pc", "in"}) {
        long scaled = CssLengthToPixels(std::to_string(number) + unit);
        Check(number == 0 || (scaled >= 0) == (number >= 0) || scaled == 0,
              "a unit keeps the sign");
    }
    (void)pixels;
    return 0;
}
