// A fresh module home and temporary folder per test: VELLUM_HOME and TMPDIR
// point into a folder of its own, removed afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace vellum::testing {

class TestHome
{
public:
    explicit TestHome(const std::string& name)
    {
        m_root = std::filesystem::temp_directory_path() /
                 ("vellum-" + name + "-" + std::to_string(getpid()));
        std::filesystem::remove_all(m_root);
        std::filesystem::create_directories(m_root / "home");
        std::filesystem::create_directories(m_root / "tmp");
        setenv("VELLUM_HOME", Home().c_str(), 1);
        setenv("TMPDIR", Temp().c_str(), 1);
    }
    ~TestHome()
    {
        unsetenv("VELLUM_HOME");
        unsetenv("TMPDIR");
        std::filesystem::remove_all(m_root);
    }

    std::string Home() const { return (m_root / "home").string() + "/"; }
    std::string Temp() const { return (m_root / "tmp").string() + "/"; }

    void WriteFile(const std::string& relative, const std::string& text) const
    {
        std::filesystem::path path = Home() + relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

private:
    std::filesystem::path m_root;
};

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace vellum::testing
