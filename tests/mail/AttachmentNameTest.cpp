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
