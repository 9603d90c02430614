// The module's home folder and folder creation.
#include "platform/fs/ModuleHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace vellum::fs {
namespace {

TEST(ModuleHomeTest, MakeFoldersCreatesParentsAndAcceptsExistingOnes)
{
    auto root = std::filesystem::temp_directory_path() / "vellum-fs-test";
    std::filesystem::remove_all(root);
    std::string nested = (root / "a" / "b").string();
    EXPECT_TRUE(MakeFolders(nested));
    EXPECT_TRUE(MakeFolders(nested));
    EXPECT_FALSE(FileExists(nested));
    EXPECT_FALSE(MakeFolders(""));
    std::filesystem::remove_all(root);
}

} // namespace
} // namespace vellum::fs
