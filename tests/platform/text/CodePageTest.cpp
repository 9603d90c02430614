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

TEST_F(CodePageTest, EachCodePageConvertsAsItselfWhateverRanBefore)
{
    // Converters are kept between calls: a change of code page reaches the
    // next conversion, and ASCII passes through only where it stays ASCII.
    const std::string test = "\xE6\xB5\x8B"; // U+6D4B in UTF-8
    SetHostCodePage("GBK");
    EXPECT_EQ(FromUtf8("a" + test), "a\xB2\xE2");
    SetHostCodePage("UTF-16LE");
    EXPECT_EQ(FromUtf8("a"), std::string("a\0", 2));
    EXPECT_EQ(ToUtf8(std::string("a\0", 2)), "a");
    SetHostCodePage("BIG5");
    EXPECT_EQ(FromUtf8("a" + test), "a?") << "the simplified character has no BIG5 form";
    SetHostCodePage("GBK");
    EXPECT_EQ(ToUtf8("a\xB2\xE2"), "a" + test);
}

} // namespace
} // namespace vellum::text
