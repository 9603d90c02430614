// URL decoding, separated lists and whole-file writes that fail; GBK bytes
// pass through both text rules untouched.
#include "entry/TextHelpers.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using vellum::testing::ScratchFolder;

// "测试" in GBK.
const std::string kTestGbk = "\xB2\xE2\xCA\xD4";

TEST(TextHelpersTest, UrlDecodeTurnsPlusAndPercentCodesIntoBytes)
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

TEST(TextHelpersTest, SplitStringDropsOnlyAnEmptyLastItem)
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

TEST(TextHelpersTest, WriteTextFileFailsWithoutTouchingAnything)
{
    ScratchFolder scratch;
    EXPECT_EQ(WriteTextFile(scratch.Path() + "missing/out.txt", "x"), -1);
    EXPECT_FALSE(std::ifstream(scratch.Path() + "missing/out.txt").good());
    EXPECT_EQ(WriteTextFile(scratch.Path(), "x"), -1); // a folder
    EXPECT_EQ(WriteTextFile("", "x"), -1);
}

} // namespace
