// vellum-host's window on a user's mail: the unread count beside the inbox
// and the inbox shown afresh when mail arrives, not when mail is only read.
#include "HostWindow.h"

#include "VellumModule.h"
#include "folders/FolderTestHome.h"
#include "platform/ui/Application.h"
#include "platform/ui/ScriptedDesktop.h"

#include <QPointer>
#include <gtest/gtest.h>

namespace {

class HostWindowTest : public FolderTestHome
{
protected:
    static void SetUpTestSuite() { vellum::ui::EnsureApplication(); }

    void SetUp() override
    {
        FolderTestHome::SetUp();
        ASSERT_TRUE(m_module.Load("")) << m_module.Error();
    }

    void NoticeForLi()
    {
        Run("insert into SystemMailNotify(MailFrom,MailTo,Subject,MailId,MailTime,Status)"
            " values ('wang','li','s',1,'2026-12-06 06:00:00',0)");
    }

    VellumModule m_module;
    vellum::ui::ScriptedDesktop m_desk;
    vellum::ui::ScopedDesktop m_scoped{m_desk};
};

TEST_F(HostWindowTest, NewMailRefreshesTheInboxAndReadMailOnlyTheCount)
{
    HostWindow window(m_module, m_session, Connect(), "li");
    window.Watch().Stop(); // checked by hand below
    window.show();
    window.ShowFolder(HostFolder::Inbox);
    EXPECT_EQ(window.FolderLabel(HostFolder::Inbox), QStringLiteral("收件箱"));

    QPointer<QWidget> empty = window.CurrentView();
    NoticeForLi();
    window.Watch().Check();
    EXPECT_TRUE(empty.isNull()) << "the inbox was not shown afresh";
    EXPECT_EQ(window.FolderLabel(HostFolder::Inbox), QStringLiteral("收件箱 (1)"));

    QPointer<QWidget> filled = window.CurrentView();
    Run("update SystemMailNotify set Status=1");
    window.Watch().Check();
    EXPECT_FALSE(filled.isNull()) << "reading keeps the view and its selection";
    EXPECT_EQ(window.FolderLabel(HostFolder::Inbox), QStringLiteral("收件箱"));

    window.ShowFolder(HostFolder::Drafts);
    QPointer<QWidget> drafts = window.CurrentView();
    NoticeForLi();
    window.Watch().Check();
    EXPECT_FALSE(drafts.isNull()) << "other folders stay as they are";
    EXPECT_EQ(window.FolderLabel(HostFolder::Inbox), QStringLiteral("收件箱 (1)"));
    EXPECT_TRUE(m_desk.Messages().empty());
}

} // namespace
