// URL decoding, separated lists and whole-file writes that fail; GBK bytes
// pass through both text rules untouched.
#include "base/TextHelpers.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <utility>

namespace {

using vellum::testing::ScratchFolder;

// "测试" in GBK.
const std::string kTestGbk = "\xB2\xE2\xCA\xD4";

TEST(TextHelpersTest, UrlDecodeTurnsPlusAndPercentCodesIntoBytes)
{
    const std::pair<std::string, std::string> cases[] = {
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
    for (const auto& [in, out] : cases)
        EXPECT_EQ(UrlDecode(in), out) << "input: " << in;
}

TEST(TextHelpersTest, SplitStringDropsOnlyAnEmptyLastItem)
{
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"a;b", {"a", "b"}},
        {"a;b;", {"a", "b"}},
        {"a;;b", {"a", "", "b"}},
        {";", {""}},
        {";;", {"", ""}},
        {";a", {"", "a"}},
        {"", {}},
        {"abc", {"abc"}},
        {kTestGbk + ";" + kTestGbk, {kTestGbk, kTestGbk}}};
    for (const auto& [text, expected] : cases) {
        std::vector<std::string> items = {"left over"};
        EXPECT_EQ(SplitString(text, ';', items), static_cast<int>(expected.size())) << text;
        EXPECT_EQ(items, expected) << text;
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
