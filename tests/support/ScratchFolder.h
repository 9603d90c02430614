// A temporary folder for one test, removed with everything in it when the
// object goes away.
#pragma once

#include <string>

namespace vellum::testing {

class ScratchFolder
{
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder, ending in "/".
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace vellum::testing
