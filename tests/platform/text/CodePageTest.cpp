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
    SetHostCodePage("BIG5");
    // U+1F600 (an emoji) has no BIG5 form.
    std::string text = "a\xF0\x9F\x98\x80"
                       "b";
    EXPECT_EQ(FromUtf8WithReferences(text), "a&#128512;b");
    EXPECT_EQ(FromUtf8(text), "a?b");
}

// A Chinese code page is GB18030: GBK's bytes for GBK's characters, and
// four bytes for the rest, so an emoji or a rare name survives the trip.
TEST_F(CodePageTest, AChineseCodePageKeepsCharactersGbkLacks)
{
    SetHostCodePage("GBK");
    EXPECT_EQ(HostCodePage(), "GB18030");
    const std::string emoji = "\xF0\x9F\x98\x80";
    const std::string rare = "\xE4\xB6\xB5"; // U+4DB5, outside GBK
    for (const std::string& text : {emoji, rare})
        EXPECT_EQ(ToUtf8(FromUtf8("a" + text)), "a" + text);
    EXPECT_EQ(FromUtf8("\xE6\xB5\x8B"), "\xB2\xE2") << "GBK's own bytes stay";
    EXPECT_EQ(HostCodePageError(), "");
    SetHostCodePage("NO-SUCH-PAGE");
    EXPECT_NE(HostCodePageError().find("NO-SUCH-PAGE"), std::string::npos);
}

// Strict UTF-8: overlong forms, surrogates and values past U+10FFFF are
// broken input, never the character they would spell; and names holding
// bytes the code page cannot read are told apart from valid ones.
TEST_F(CodePageTest, InvalidBytesAreNeverReadAsCharacters)
{
    EXPECT_EQ(Utf8ToUtf16("a\xC0\xBC"
                          "b"),
              u"a\uFFFD\uFFFDb")
        << "an overlong \"<\"";
    EXPECT_EQ(Utf8ToUtf16("\xE0\x80\xAF"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD") << "a surrogate";
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");

    struct Case
    {
        const char* codePage;
        std::string name;
        bool valid;
    } cases[] = {
        {"UTF-8", "bob", true},          {"UTF-8", "bob\xEF\xBF\xBD", true},
        {"UTF-8", "\xE7\x8E\x8B", true}, {"UTF-8", "bob\xC3", false},
        {"UTF-8", "bob\xFF", false},     {"UTF-8", "bob\xFE", false},
        {"UTF-8", "a\xC0\xBC", false},   {"GBK", "\xCD\xF5", true},
        {"GBK", "bob\xFF", false},       {"GBK", "bob\xCD", false},
    };
    for (const Case& c : cases) {
        SetHostCodePage(c.codePage);
        EXPECT_EQ(IsValidHostText(c.name), c.valid) << c.codePage << " " << c.name;
    }
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

// The in-place form gives what ToUtf8 gives, and leaves a text that reads
// the same in both where it is (a mail body may be tens of megabytes).
TEST_F(CodePageTest, MakeUtf8ConvertsInPlaceOnlyWhatChanges)
{
    struct Case
    {
        const char* codePage;
        std::string text;
        bool kept;
    } cases[] = {
        {"GBK", "ascii only", true},
        {"GBK", "a\xB2\xE2", false},
        {"UTF-8", "\xE6\xB5\x8B", true},
        {"UTF-8", "a\xC0\xBC", false},
        {"UTF-16LE", std::string("a\0", 2), false},
    };
    for (const Case& c : cases) {
        SetHostCodePage(c.codePage);
        std::string text;
        for (int i = 0; i < 100; ++i)
            text += c.text;
        const std::string expected = ToUtf8(text);
        const char* buffer = text.data();
        MakeUtf8(text);
        EXPECT_EQ(text, expected) << c.codePage << " " << c.text;
        EXPECT_EQ(text.data() == buffer, c.kept) << c.codePage << " " << c.text;
    }
}

} // namespace
} // namespace vellum::text
