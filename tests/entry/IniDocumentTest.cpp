// The ini document: what Load makes of real and damaged files, lookups with
// their case rules and section cache, Set, and the exact bytes Save writes.
#include "entry/IniDocument.h"

#include "entry/FileBytes.h"
#include "platform/text/CodePage.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace {

using vellum::testing::ScratchFolder;

class IniDocumentTest : public ::testing::Test
{
protected:
    void TearDown() override { vellum::text::SetHostCodePage("GBK"); }

    std::string Write(const std::string& content, const std::string& name = "test.ini")
    {
        std::string path = m_scratch.Path() + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    CIniDocument LoadText(const std::string& content)
    {
        CIniDocument ini;
        EXPECT_EQ(ini.Load(Write(content)), 1);
        return ini;
    }

    ScratchFolder m_scratch;
};

TEST_F(IniDocumentTest, ListsAndClear)
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

    ASSERT_EQ(ini.Load(Write("[x]\n")), 1);
    ini.Set("s", "a", "1");
    ini.Clear();
    EXPECT_EQ(ini.Get("s", "a"), std::nullopt);
    EXPECT_EQ(ini.GetSectionNames(&names), 0);
    EXPECT_EQ(ini.GetPath(), m_scratch.Path() + "test.ini");
}

} // namespace
