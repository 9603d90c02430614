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

// "测试" in GBK and in UTF-8.
const std::string kTestGbk = "\xB2\xE2\xCA\xD4";
const std::string kTestUtf8 = "\xE6\xB5\x8B\xE8\xAF\x95";

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

TEST_F(TextHelpersTest, UrlEncodeKeepsOnlyLettersAndDigits)
{
    EXPECT_EQ(UrlEncode("a b"), "a%20b");
    EXPECT_EQ(UrlEncode("x-1"), "x%2D1");
    EXPECT_EQ(UrlEncode("\n"), "%0A");
    EXPECT_EQ(UrlEncode("\x01"), "%01");
    EXPECT_EQ(UrlEncode("+%&=?"), "%2B%25%26%3D%3F");
    EXPECT_EQ(UrlEncode(kTestGbk), "%B2%E2%CA%D4");
    EXPECT_EQ(UrlEncode("AZaz09"), "AZaz09");
    EXPECT_EQ(UrlEncode(std::string("a\0b", 3)), "a");
    EXPECT_EQ(UrlEncode(""), "");
}

TEST_F(TextHelpersTest, UrlEncodeTakesOnlyTheFirst32767Bytes)
{
    EXPECT_EQ(UrlEncode(std::string(40000, 'a')).size(), 32767u);
    std::string atLimit(32767, 'b');
    EXPECT_EQ(UrlEncode(atLimit + " "), atLimit);
    EXPECT_EQ(UrlEncode(std::string(32766, 'b') + " "), std::string(32766, 'b') + "%20");
}

TEST_F(TextHelpersTest, UrlDecodeUndoesUrlEncodeForEveryNonZeroByte)
{
    std::string all;
    for (int byte = 1; byte < 256; ++byte)
        all += static_cast<char>(byte);
    std::string encoded = UrlEncode(all);
    EXPECT_EQ(encoded.find_first_of("+ "), std::string::npos);
    EXPECT_EQ(UrlDecode(encoded), all);
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

TEST_F(TextHelpersTest, JoinStringsPutsOneSeparatorBetweenNeighbours)
{
    EXPECT_EQ(JoinStrings({}, ';'), "");
    EXPECT_EQ(JoinStrings({"a"}, ';'), "a");
    EXPECT_EQ(JoinStrings({""}, ';'), "");
    EXPECT_EQ(JoinStrings({"a", "", "b"}, ','), "a,,b");
    std::vector<std::string> items;
    SplitString("x;;y;z", ';', items);
    EXPECT_EQ(JoinStrings(items, ';'), "x;;y;z");
}

TEST_F(TextHelpersTest, GetModuleDirGivesTheHomeInTheHostCodePage)
{
    ScratchFolder scratch;
    std::string home = scratch.Path() + kTestUtf8;
    setenv("VELLUM_HOME", home.c_str(), 1);

    vellum::text::SetHostCodePage("GBK");
    EXPECT_EQ(GetModuleDir(), scratch.Path() + kTestGbk + "/");
    vellum::text::SetHostCodePage("UTF-8");
    EXPECT_EQ(GetModuleDir(), home + "/");
}

TEST_F(TextHelpersTest, WriteTextFileReplacesTheFileWithTheTextUpToItsNul)
{
    ScratchFolder scratch;
    std::string path = scratch.Path() + "out.txt";
    {
        std::ofstream(path, std::ios::binary) << "a much longer old content";
    }
    EXPECT_EQ(WriteTextFile(path, "new\r\n" + kTestGbk), 1);
    EXPECT_EQ(FileBytes(path), "new\r\n" + kTestGbk);
    EXPECT_EQ(WriteTextFile(path, std::string("cut\0here", 8)), 1);
    EXPECT_EQ(FileBytes(path), "cut");
    EXPECT_EQ(WriteTextFile(path, ""), 1);
    EXPECT_EQ(FileBytes(path), "");
}

TEST_F(TextHelpersTest, WriteTextFileFailsWithoutTouchingAnything)
{
    ScratchFolder scratch;
    EXPECT_EQ(WriteTextFile(scratch.Path() + "missing/out.txt", "x"), -1);
    EXPECT_FALSE(std::ifstream(scratch.Path() + "missing/out.txt").good());
    EXPECT_EQ(WriteTextFile(scratch.Path(), "x"), -1); // a folder
    EXPECT_EQ(WriteTextFile("", "x"), -1);
}

TEST_F(TextHelpersTest, WriteTextFileNamesTheFileInTheHostCodePage)
{
    ScratchFolder scratch;
    vellum::text::SetHostCodePage("GBK");
    EXPECT_EQ(WriteTextFile(scratch.Path() + kTestGbk + ".txt", "gbk"), 1);
    EXPECT_EQ(FileBytes(scratch.Path() + kTestUtf8 + ".txt"), "gbk");
    vellum::text::SetHostCodePage("UTF-8");
    EXPECT_EQ(WriteTextFile(scratch.Path() + kTestUtf8 + ".txt", "utf8"), 1);
    EXPECT_EQ(FileBytes(scratch.Path() + kTestUtf8 + ".txt"), "utf8");
}

TEST_F(TextHelpersTest, AsciiLowerChangesOnlyTheLettersAToZ)
{
    char mixed[] = "AbC-Z@[`{\xB2\xE2\x81\x41";
    EXPECT_EQ(AsciiLower(mixed), 13);
    // Every byte "A".."Z" is lowered, even one that trails a GBK lead byte.
    EXPECT_STREQ(mixed, "abc-z@[`{\xB2\xE2\x81\x61");

    char cut[] = "AB\0CD";
    EXPECT_EQ(AsciiLower(cut), 2);
    EXPECT_EQ(std::string(cut, 5), std::string("ab\0CD", 5));

    char empty[] = "";
    EXPECT_EQ(AsciiLower(empty), 0);
    EXPECT_EQ(AsciiLower(nullptr), 0);
}

} // namespace
