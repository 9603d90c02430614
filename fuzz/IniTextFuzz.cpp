// Fuzz target: ini text as found on disk. Any bytes load; saving and loading
// again keeps every value, and the saved text is a fixed point (a second
// save writes the same bytes).
#include "FuzzInput.h"
#include "base/IniDocument.h"

#include <fstream>
#include <iterator>

using vellum::fuzz::Check;

namespace {

std::string Saved(const CIniDocument& document, const std::string& path)
{
    Check(document.Save(path) == 1, "Save writes the scratch file");
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = vellum::fuzz::ScratchFolder() + "fuzz.ini";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    CIniDocument first;
    Check(first.Load(path) == 1, "an existing file loads");
    std::string once = Saved(first, path);

    CIniDocument second;
    second.Load(path);
    std::vector<std::string> sections;
    first.GetSectionNames(&sections);
    for (const std::string& section : sections) {
        std::vector<std::string> keys;
        first.GetKeys(section, &keys);
        for (const std::string& key : keys) {
            Check(first.Get(section, key) == second.Get(section, key),
                  "a value survives saving and loading");
            first.GetInt(section, key);
        }
    }
    Check(Saved(second, path) == once, "saving a loaded save writes the same bytes");
    return 0;
}
