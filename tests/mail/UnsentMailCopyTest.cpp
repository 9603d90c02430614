// The copy of an unsaved mail on disk: one file per user in the state
// folder, read back byte for byte whatever the fields hold, refused when cut
// anywhere, and never readable by another user.
#include "mail/UnsentMailCopy.h"

#include "platform/text/CodePage.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

TEST(UnsentMailCopy, ReadsBackWholeIsPrivateAndACutCopyIsRefused)
{
    vellum::testing::ScratchFolder state;
    setenv("XDG_STATE_HOME", state.Path().c_str(), 1);
    EXPECT_EQ(UnsentMailCopy(vellum::text::FromUtf8("../王")).Path(),
              state.Path() + "vellum/unsent-%2E%2E%2F%E7%8E%8B.mail");
    MailFields fields{"li", "2026-12-07 13:00:00", "wang;zhao", vellum::text::FromUtf8("计划"),
                      // lines that look like the file's own entries stay body text
                      "<P>one</P>\nBody 3\nabc\n\nSubject 1\nx\n", "plan 2.doc"};
    UnsentMailCopy copy("li");
    EXPECT_FALSE(copy.Read());
    ASSERT_TRUE(copy.Write(7, fields));
    std::optional<UnsentMail> mail = copy.Read();
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->keyId, 7);
    for (auto field : {&MailFields::sender, &MailFields::mailTime, &MailFields::mailTo,
                       &MailFields::subject, &MailFields::body, &MailFields::attachment})
        EXPECT_EQ(mail->fields.*field, fields.*field);
    EXPECT_EQ(fs::status(state.Path() + "vellum").permissions() & fs::perms::all,
              fs::perms::owner_all);
    EXPECT_EQ(fs::status(copy.Path()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(state.Path() + "vellum"), {}), 1)
        << "no temporary file is left beside the copy";

    std::ifstream file(copy.Path(), std::ios::binary);
    std::string whole{std::istreambuf_iterator<char>(file), {}};
    for (std::size_t length = 0; length < whole.size(); ++length) {
        std::ofstream(copy.Path(), std::ios::trunc) << whole.substr(0, length);
        ASSERT_FALSE(copy.Read()) << "cut after " << length << " bytes";
    }
    copy.Remove();
    EXPECT_FALSE(fs::exists(copy.Path()));
    unsetenv("XDG_STATE_HOME");
}

} // namespace
