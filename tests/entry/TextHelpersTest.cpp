// URL coding, separated lists, the module folder, whole-file writes and ASCII
// lower-casing, under the GBK and UTF-8 host code pages.
#include "entry/TextHelpers.h"

#include "entry/FileBytes.h"
#include "platform/text/CodePage.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

using vellum::testing::ScratchFolder;

// "测试" in GBK.
const std::string kTestGbk = "\xB2\xE2\xCA\xD4";

class TextHelpersTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        vellum::text::SetHostCodePage("GBK");
        unsetenv("VELLUM_HOME");
    }
};

TEST_F(TextHelpersTest, UrlDecodeTurnsPlusAndPercentCodesIntoBytes)
{
    struct Case
    {
        std::string in, out;
    };
    const Case cases[] = {
        {"a+b", "a b"},
        {"%41%4a%4A", "AJJ"},
        {"%B2%E2%ca%d4", kTestGbk},
        {"a%00b", "ab"}, // a zero byte adds nothing
        {"%zz", "zz"},   // a stray percent sign is dropped
        {"100%", "100"},
        {"%4", "4"},
        {"%4g", "4g"},
        {"%%41", "A"},        // the second percent starts a valid code
        {kTestGbk, kTestGbk}, // GBK bytes pass through
        {"", ""},
        {std::string("ab\0%41", 6), "ab"}, // a C string ends at its NUL
    };
    for (const Case& c : cases)
        EXPECT_EQ(UrlDecode(c.in), c.out) << "input: " << c.in;
}

TEST_F(TextHelpersTest, SplitStringDropsOnlyAnEmptyLastItem)
{
    struct Case
    {
        std::string text;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {"a;b", {"a", "b"}},
        {"a;b;", {"a", "b"}},
        {"a;;b", {"a", "", "b"}},
        {";", {""}},
        {";;", {"", ""}},
        {";a", {"", "a"}},
        {"", {}},
        {"abc", {"abc"}},
        {kTestGbk + ";" + kTestGbk, {kTestGbk, kTestGbk}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> items = {"left over"};
        EXPECT_EQ(SplitString(c.text, ';', items), static_cast<int>(c.items.size())) << c.text;
        EXPECT_EQ(items, c.items) << c.text;
    }
}

TEST_F(TextHelpersTest, WriteTextFileFailsWithoutTouchingAnything)
{
    ScratchFolder scratch;
    EXPECT_EQ(WriteTextFile(scratch.Path() + "missing/out.txt", "x"), -1);
    EXPECT_FALSE(std::ifstream(scratch.Path() + "missing/out.txt").good());
    EXPECT_EQ(WriteTextFile(scratch.Path(), "x"), -1); // a folder
    EXPECT_EQ(WriteTextFile("", "x"), -1);
}

} // namespace
