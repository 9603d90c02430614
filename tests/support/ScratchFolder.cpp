#include "support/ScratchFolder.h"

#include <cstdlib>
#include <filesystem>

namespace vellum::testing {

ScratchFolder::ScratchFolder()
{
    std::string pattern = std::filesystem::temp_directory_path().string() + "/vellum-XXXXXX";
    if (mkdtemp(pattern.data()))
        m_path = pattern + "/";
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
}

} // namespace vellum::testing
