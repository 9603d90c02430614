// Conversions between the host code page and Unicode, under GBK and UTF-8.
#include "platform/text/CodePage.h"

#include <gtest/gtest.h>

namespace vellum::text {
namespace {

class CodePageTest : public ::testing::Test
{
protected:
    void TearDown() override { SetHostCodePage("GBK"); }
};

// "测试" in GBK and in UTF-8.
const std::string kTestGbk = "\xB2\xE2\xCA\xD4";
const std::string kTestUtf8 = "\xE6\xB5\x8B\xE8\xAF\x95";

TEST_F(CodePageTest, GbkRoundTripsThroughUtf8AndUtf16)
{
    SetHostCodePage("GBK");
    EXPECT_EQ(ToUtf8(kTestGbk), kTestUtf8);
    EXPECT_EQ(FromUtf8(kTestUtf8), kTestGbk);
    EXPECT_EQ(ToUtf16(kTestGbk), u"\u6D4B\u8BD5");
    EXPECT_EQ(FromUtf16(u"\u6D4B\u8BD5"), kTestGbk);
}

TEST_F(CodePageTest, Utf8CodePageCopiesText)
{
    SetHostCodePage("UTF-8");
    EXPECT_TRUE(HostCodePageIsUtf8());
    EXPECT_EQ(FromUtf8(kTestUtf8), kTestUtf8);
    EXPECT_EQ(ToUtf16(kTestUtf8), u"\u6D4B\u8BD5");
}

TEST_F(CodePageTest, CharactersOutsideTheCodePageBecomeReferencesOrMarks)
{
    SetHostCodePage("GBK");
    // U+1F600 (an emoji) has no GBK form.
    std::string text = "a\xF0\x9F\x98\x80"
                       "b";
    EXPECT_EQ(FromUtf8WithReferences(text), "a&#128512;b");
    EXPECT_EQ(FromUtf8(text), "a?b");
}

TEST_F(CodePageTest, BrokenInputNeverThrowsAndStaysValid)
{
    SetHostCodePage("GBK");
    // A lone lead byte at the end and a broken UTF-8 sequence.
    EXPECT_EQ(ToUtf8("ab\xB2"), "ab\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToUtf16("a\xE6\xB5"), u"a\uFFFD\uFFFD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST_F(CodePageTest, SupplementaryCharactersUseSurrogatePairs)
{
    std::u16string pair = Utf8ToUtf16("\xF0\x9F\x98\x80");
    ASSERT_EQ(pair.size(), 2u);
    EXPECT_EQ(pair[0], 0xD83D);
    EXPECT_EQ(Utf16ToUtf8(pair), "\xF0\x9F\x98\x80");
}

} // namespace
} // namespace vellum::text
