// The scratch folder the fuzz targets share.
#include "FuzzInput.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace vellum::fuzz {

const std::string& ScratchFolder()
{
    // Never destroyed: the exit handler below still needs it after static
    // objects are gone.
    static const std::string& folder = *new std::string([] {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("vellum-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path / "home");
        std::filesystem::create_directories(path / "tmp");
        setenv("VELLUM_HOME", (path / "home/").c_str(), 1);
        setenv("TMPDIR", (path / "tmp/").c_str(), 1);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(ScratchFolder(), ignored);
        });
        return path.string() + "/";
    }());
    return folder;
}

} // namespace vellum::fuzz
