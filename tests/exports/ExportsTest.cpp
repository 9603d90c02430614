// The six exports as a host calls them: what the folder exports hand over,
// how the dialog exports run their dialog over the host's window, and the
// common course of the two dialog exports (nothing happens without an
// application; what the dialog is given).
#include "../folders/FolderTestHome.h"
#include "base/TextHelpers.h"
#include "entry/DialogExport.h"
#include "folders/MailDraftListView.h"
#include "folders/MailLogListView.h"
#include "folders/MailNewListView.h"
#include "folders/MailNotifyListView.h"
#include "platform/text/CodePage.h"
#include "platform/ui/Application.h"
#include "platform/ui/DialogActions.h"
#include "platform/ui/ScriptedDesktop.h"
#include "vellum/vellum.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <optional>

using vellum::entry::DialogRequest;
using vellum::entry::PauseBeforeOpen;
using vellum::entry::RunDialogExport;
using vellum::text::FromUtf8;

namespace {

// First in the file, so that it runs before any test makes the application.
TEST(DialogExportWithoutHost, WithoutAnApplicationNothingIsShownAndTheResultIs0)
{
    vellum::ui::ScriptedDesktop desk;
    vellum::ui::ScopedDesktop scoped(desk);
    bool ran = false;
    EXPECT_EQ(RunDialogExport("Connect=", PauseBeforeOpen::OneSecond,
                              [&](const DialogRequest&) { ran = true; }),
              0);
    EXPECT_FALSE(ran);
    EXPECT_TRUE(desk.Messages().empty());
    EXPECT_TRUE(desk.Pauses().empty()) << "nothing happens before the main window is found";
}

class Exports : public FolderTestHome
{
protected:
    static void SetUpTestSuite() { vellum::ui::EnsureApplication(); }

    void SetUp() override
    {
        FolderTestHome::SetUp();
        m_host.show();
    }

    std::string Params(const std::string& more) const
    {
        return "mail?UserName=li&Connect=" + UrlEncode(Connect()) + more;
    }

    QWidget m_host;
    vellum::ui::ScriptedDesktop m_desk;
};

TEST_F(Exports, TheDialogGetsAnOpenSessionTheKeyAndTheUser)
{
    const std::string connect = UrlEncode(Connect());
    const struct
    {
        std::string params;
        int key;
        std::string userName;
    } cases[] = {
        {"view?UserName=li&Keyid=7&Connect=" + connect, 7, "li"},
        {"Connect=" + connect + "&UserName=wang", -1, "wang"}, // no path, no key
        {"edit?Keyid=abc&Connect=" + connect, 0, ""},
    };
    vellum::ui::ScopedDesktop scoped(m_desk);
    for (const auto& c : cases) {
        std::optional<DialogRequest> seen;
        int sessionState = 0;
        EXPECT_EQ(RunDialogExport(c.params.c_str(), PauseBeforeOpen::None,
                                  [&](const DialogRequest& request) {
                                      seen = request;
                                      sessionState = request.session->GetState();
                                  }),
                  1)
            << c.params;
        ASSERT_TRUE(seen) << c.params;
        EXPECT_EQ(seen->mainWindow, &m_host);
        EXPECT_EQ(sessionState, 1);
        EXPECT_EQ(seen->key, c.key) << c.params;
        EXPECT_EQ(seen->userName, c.userName) << c.params;
    }
    EXPECT_TRUE(m_desk.Messages().empty());

    // A name whose bytes are no text in the code page would meet another
    // user's on the database's side: refused before any dialog runs.
    bool ran = false;
    EXPECT_EQ(RunDialogExport(("UserName=bob%FF&Connect=" + connect).c_str(), PauseBeforeOpen::None,
                              [&](const DialogRequest&) { ran = true; }),
              0);
    EXPECT_FALSE(ran);
    EXPECT_EQ(m_desk.Messages().size(), 1u);
}

template <typename View> void ExpectFolderView(VellumListFunction list, CDbSession* session)
{
    MailArgs args{"list?username=wang", session};
    std::unique_ptr<QWidget> widget(static_cast<QWidget*>(list(&args)));
    auto* view = dynamic_cast<View*>(widget.get());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->parentWidget(), nullptr);
    EXPECT_FALSE(view->isVisible()) << "the host shows the view";
    EXPECT_EQ(view->m_pSession, session);
    EXPECT_EQ(view->m_strUserName, "wang");

    std::unique_ptr<QWidget> bare(static_cast<QWidget*>(list(nullptr)));
    ASSERT_NE(dynamic_cast<View*>(bare.get()), nullptr) << "a view comes back always";
    EXPECT_EQ(dynamic_cast<View*>(bare.get())->m_pSession, nullptr);
    EXPECT_EQ(dynamic_cast<View*>(bare.get())->m_strUserName, "");
}

TEST_F(Exports, FolderExportsHandOverAViewWithTheSessionAndTheUser)
{
    ExpectFolderView<CMailDraftListView>(listMailDraft, &m_session);
    ExpectFolderView<CMailLogListView>(listMailLog, &m_session);
    ExpectFolderView<CMailNewListView>(listMailNew, &m_session);
    ExpectFolderView<CMailNotifyListView>(listMailNotify, &m_session);
}

TEST_F(Exports, DialogExportsGive0WithoutAMainWindow)
{
    m_host.hide();
    vellum::ui::ScopedDesktop scoped(m_desk);
    EXPECT_EQ(editMailDraft(0, Params("").c_str()), 0);
    EXPECT_EQ(viewMailData(0, Params("&Keyid=1").c_str()), 0);
    EXPECT_TRUE(m_desk.ModalCaptions().empty());
    EXPECT_TRUE(m_desk.Messages().empty());
}

TEST_F(Exports, AnEmptyConnectShowsTheSessionsMessageAndGives0)
{
    CDbSession reference;
    ASSERT_EQ(reference.Open(""), 0);
    vellum::ui::ScopedDesktop scoped(m_desk);
    EXPECT_EQ(editMailDraft(0, "edit?UserName=li&Connect="), 0);
    EXPECT_EQ(viewMailData(7, "view?UserName=li&Keyid=1"), 0);
    ASSERT_EQ(m_desk.Messages().size(), 2u);
    EXPECT_EQ(m_desk.Messages()[0].text, reference.GetLastErrorText());
    EXPECT_EQ(m_desk.Messages()[1].text, reference.GetLastErrorText());
    EXPECT_EQ(m_desk.Messages()[0].caption, vellum::ui::ApplicationName());
    EXPECT_EQ(m_desk.Messages()[0].buttons, vellum::ui::MessageButtons::Ok);
    EXPECT_TRUE(m_desk.ModalCaptions().empty());
    EXPECT_EQ(m_desk.Pauses(), std::vector<int>{1000}) << "only the compose export pauses";
}

TEST_F(Exports, AMissingRowShowsItsMessageAndTheReadDialogStillRuns)
{
    vellum::ui::ScopedDesktop scoped(m_desk);
    QWidget* parent = nullptr;
    m_desk.ActInModal([&](QWidget& dialog) { parent = dialog.parentWidget(); });
    EXPECT_EQ(viewMailData(0, Params("&Keyid=99").c_str()), 1);
    ASSERT_EQ(m_desk.Messages().size(), 1u);
    EXPECT_EQ(m_desk.Messages()[0].text, FromUtf8("指定的数据不存在"));
    EXPECT_EQ(m_desk.ModalCaptions(), std::vector<std::string>{FromUtf8("阅读邮件")});
    EXPECT_EQ(parent, &m_host) << "modal over the host's main window";
    EXPECT_TRUE(m_desk.Pauses().empty());
}

TEST_F(Exports, ComposeWithoutAKeyIsANewMailThatSavingStores)
{
    vellum::ui::ScopedDesktop scoped(m_desk);
    m_desk.ActInModal([](QWidget& dialog) {
        vellum::ui::FillControl(dialog, 6012, "hello");
        vellum::ui::PressControl(dialog, 6003); // 保存
    });
    EXPECT_EQ(editMailDraft(0, Params("").c_str()), 1);
    EXPECT_EQ(m_desk.ModalCaptions(), std::vector<std::string>{FromUtf8("编辑邮件")});
    EXPECT_TRUE(m_desk.Messages().empty());
    EXPECT_EQ(m_desk.Pauses(), std::vector<int>{1000});

    EXPECT_EQ(Query("select MailFrom || '|' || Subject || '|' || Status from SystemMail"),
              Texts{"li|hello|0"});
}

} // namespace
