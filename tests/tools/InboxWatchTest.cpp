// vellum-host's watch over a user's notices: what one check reads, and when
// it reports a change (new or deleted notices, or only a read one).
#include "InboxWatch.h"

#include "folders/FolderTestHome.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class InboxWatchTest : public FolderTestHome
{
protected:
    void SetUp() override
    {
        FolderTestHome::SetUp();
        QObject::connect(&m_watch, &InboxWatch::Changed,
                         [this](const InboxState& previous, const InboxState& now) {
                             m_changes.push_back({previous, now});
                         });
    }

    void Notice(const std::string& to, int status)
    {
        Run("insert into SystemMailNotify(MailFrom,MailTo,Subject,MailId,MailTime,Status)"
            " values ('wang','" +
            to + "','s',1,'2026-12-06 06:00:00'," + std::to_string(status) + ")");
    }

    struct Change
    {
        InboxState previous;
        InboxState now;
    };

    InboxWatch m_watch{m_session};
    std::vector<Change> m_changes;
};

TEST_F(InboxWatchTest, ReportsNewMailAndReadMailApart)
{
    Notice("li", 1);
    m_watch.Watch("li");
    m_watch.Stop();
    ASSERT_EQ(m_changes.size(), 1u);
    EXPECT_EQ(m_watch.State(), (InboxState{1, 1, 0}));

    Notice("li", 0);
    Notice("wang", 0); // someone else's mail changes nothing here
    EXPECT_TRUE(m_watch.Check());
    ASSERT_EQ(m_changes.size(), 2u);
    EXPECT_EQ(m_changes[1].now, (InboxState{2, 2, 1}));
    EXPECT_TRUE(m_changes[1].now.NoticesDifferFrom(m_changes[1].previous));

    Run("update SystemMailNotify set Status=1 where KeyId=2");
    EXPECT_TRUE(m_watch.Check());
    ASSERT_EQ(m_changes.size(), 3u);
    EXPECT_EQ(m_changes[2].now, (InboxState{2, 2, 0}));
    EXPECT_FALSE(m_changes[2].now.NoticesDifferFrom(m_changes[2].previous)) << "only read";

    EXPECT_TRUE(m_watch.Check());
    EXPECT_EQ(m_changes.size(), 3u) << "nothing changed, nothing reported";
}

TEST_F(InboxWatchTest, AQuoteInTheUserNameIsQuotedAndAFailedQueryKeepsTheState)
{
    Notice("O''Neil", 0);
    m_watch.Watch("O'Neil");
    m_watch.Stop();
    EXPECT_EQ(m_watch.State(), (InboxState{1, 1, 1}));

    Run("drop table SystemMailNotify");
    EXPECT_FALSE(m_watch.Check());
    EXPECT_EQ(m_watch.State(), (InboxState{1, 1, 1}));
}

} // namespace
