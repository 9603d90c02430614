// The ini document's lists of sections and keys, the nameless section, and
// Clear after a load.
#include "base/IniDocument.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using vellum::testing::ScratchFolder;

TEST(IniDocumentTest, ListsAndClear)
{
    CIniDocument ini;
    std::vector<std::string> names = {"left over"};
    EXPECT_EQ(ini.GetSectionNames(&names), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(ini.GetSectionNames(nullptr), 0);

    ini.Set("", "k", "nameless");
    ini.Set("s", "a", "1");
    ini.Set("s", "b", "2");
    EXPECT_EQ(ini.GetSectionNames(&names), 1);
    EXPECT_EQ(names, std::vector<std::string>{"s"});
    std::vector<std::string> keys = {"left over"};
    EXPECT_EQ(ini.GetKeys("S", &keys), 2);
    EXPECT_EQ(keys, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(ini.GetKeys("missing", &keys), 0);
    EXPECT_TRUE(keys.empty());
    EXPECT_EQ(ini.GetKeys("s", nullptr), 0);
    EXPECT_EQ(ini.Get("", "k"), "nameless");

    ScratchFolder scratch;
    const std::string path = scratch.Path() + "test.ini";
    std::ofstream(path, std::ios::binary) << "[x]\n";
    ASSERT_EQ(ini.Load(path), 1);
    ini.Set("s", "a", "1");
    ini.Clear();
    EXPECT_EQ(ini.Get("s", "a"), std::nullopt);
    EXPECT_EQ(ini.GetSectionNames(&names), 0);
    EXPECT_EQ(ini.GetPath(), path);
}

} // namespace
