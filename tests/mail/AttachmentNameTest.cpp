// Attachment field classification and the local copy's name.
#include "mail/AttachmentName.h"

#include "platform/text/CodePage.h"

#include <gtest/gtest.h>

namespace {

TEST(AttachmentNameTest, LocalPathsAreThoseWithAPrefixColonOrARootedStart)
{
    EXPECT_TRUE(IsLocalAttachmentPath("C:\\docs\\a.txt"));
    EXPECT_TRUE(IsLocalAttachmentPath("\\\\server\\share\\a.txt"));
    EXPECT_TRUE(IsLocalAttachmentPath("/home/u/a.txt"));
    EXPECT_TRUE(IsLocalAttachmentPath("x:"));
    EXPECT_FALSE(IsLocalAttachmentPath(":a.txt")) << "a colon at position 0 is a server name";
    EXPECT_FALSE(IsLocalAttachmentPath("20261205-ab12.txt"));
    EXPECT_FALSE(IsLocalAttachmentPath(""));
}

TEST(AttachmentNameTest, NamesThatCouldLeaveTheTempFolderAreReduced)
{
    EXPECT_EQ(LocalCopyName("report.pdf"), "report.pdf");
    EXPECT_EQ(LocalCopyName("..report.pdf"), "..report.pdf") << "not a \"..\" component";
    EXPECT_EQ(LocalCopyName("../../.profile"), ".profile");
    EXPECT_EQ(LocalCopyName("a/b/c.txt"), "c.txt");
    EXPECT_EQ(LocalCopyName("..\\..\\evil.bat"), "evil.bat");
    EXPECT_EQ(LocalCopyName(".."), "attachment");
    EXPECT_EQ(LocalCopyName("a/.."), "attachment");
    EXPECT_EQ(LocalCopyName("dir/"), "attachment");
    EXPECT_EQ(LocalCopyName("."), "attachment");
    EXPECT_EQ(LocalCopyName(std::string("a.txt\0/../../x", 14)), "a.txt") << "a NUL ends it";
    EXPECT_EQ(LocalCopyName(std::string("..\0x", 4)), "attachment");
}

TEST(AttachmentNameTest, NamesTooLongForAFileAreShortenedKeepingTheirExtension)
{
    vellum::text::SetHostCodePage("GBK");
    EXPECT_EQ(LocalCopyName(std::string(4000, 'n') + ".pdf"), std::string(196, 'n') + ".pdf");
    EXPECT_EQ(LocalCopyName("../" + std::string(300, 'n')), std::string(200, 'n'));
    // 2000 "张" are 4000 GBK bytes and 6000 in UTF-8: cut between characters.
    std::string chinese;
    for (int i = 0; i < 2000; ++i)
        chinese += "张";
    std::string expected = vellum::text::FromUtf8(chinese.substr(0, 65 * 3) + ".doc");
    EXPECT_EQ(LocalCopyName(vellum::text::FromUtf8(chinese + ".doc")), expected);
}

TEST(AttachmentNameTest, AGbkTrailByteThatLooksLikeABackslashIsNotASeparator)
{
    vellum::text::SetHostCodePage("GBK");
    // "乗" is 0x81 0x5C in GBK: its second byte is the backslash byte.
    std::string name = vellum::text::FromUtf8("乗.txt");
    ASSERT_EQ(name[1], '\\');
    EXPECT_EQ(LocalCopyName(name), name);
    std::string nested = vellum::text::FromUtf8("../乗.txt");
    EXPECT_EQ(LocalCopyName(nested), name);
}

} // namespace
