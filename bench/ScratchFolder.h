// Where a benchmark keeps its files: a new folder under the temporary
// directory, and for benchmarks that open the module's windows, the
// module's home in it (the images the windows draw with).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace vellum::bench {

// A new empty folder, its path ending in "/"; empty when it cannot be made.
inline std::string MakeScratchFolder()
{
    std::string pattern = std::filesystem::temp_directory_path().string() + "/vellum-bench-XXXXXX";
    if (!mkdtemp(pattern.data()))
        return {};
    return pattern + "/";
}

// A scratch folder made the module's home (VELLUM_HOME), with a copy of the
// images folder given; empty when it cannot be made.
inline std::string MakeModuleHome(const std::string& images)
{
    std::string home = MakeScratchFolder();
    if (home.empty())
        return {};
    std::filesystem::copy(images, home + "images");
    setenv("VELLUM_HOME", home.c_str(), 1);
    return home;
}

} // namespace vellum::bench
