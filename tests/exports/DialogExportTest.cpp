// The common course of the two dialog exports: nothing happens without an
// application, and what the dialog is given (the exports' own tests cover
// the other ways they give up).
#include "entry/DialogExport.h"

#include "entry/TextHelpers.h"
#include "platform/ui/Application.h"
#include "platform/ui/ScriptedDesktop.h"
#include "store/DbSession.h"
#include "support/ScratchFolder.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <optional>

using vellum::entry::DialogRequest;
using vellum::entry::PauseBeforeOpen;
using vellum::entry::RunDialogExport;

namespace {

struct SeenRequest
{
    bool mainWindowIsHost = false;
    int sessionState = 0;
    int key = 0;
    std::string userName;
};

class DialogExport : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vellum::ui::EnsureApplication(); }

    // Runs the export course and records what the dialog would have got.
    int Run(const std::string& params, PauseBeforeOpen pause = PauseBeforeOpen::None)
    {
        vellum::ui::ScopedDesktop scoped(m_desk);
        return RunDialogExport(params.c_str(), pause, [this](const DialogRequest& request) {
            m_seen = SeenRequest{request.mainWindow == &m_host, request.session->GetState(),
                                 request.key, request.userName};
        });
    }

    void ShowHost() { m_host.show(); }

    vellum::ui::ScriptedDesktop m_desk;
    std::optional<SeenRequest> m_seen;
    QWidget m_host;
};

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

TEST_F(DialogExport, TheDialogGetsAnOpenSessionTheKeyAndTheUser)
{
    ShowHost();
    vellum::testing::ScratchFolder home;
    std::string connect = UrlEncode("Provider=SQLite;Data Source=" + home.Path() + "mail.db");
    struct Case
    {
        std::string params;
        int key;
        std::string userName;
    };
    const Case cases[] = {
        {"view?UserName=li&Keyid=7&Connect=" + connect, 7, "li"},
        {"Connect=" + connect + "&UserName=wang", -1, "wang"}, // no path, no key
        {"edit?Keyid=abc&Connect=" + connect, 0, ""},
    };
    for (const Case& c : cases) {
        m_seen.reset();
        EXPECT_EQ(Run(c.params), 1) << c.params;
        ASSERT_TRUE(m_seen) << c.params;
        EXPECT_TRUE(m_seen->mainWindowIsHost);
        EXPECT_EQ(m_seen->sessionState, 1);
        EXPECT_EQ(m_seen->key, c.key) << c.params;
        EXPECT_EQ(m_seen->userName, c.userName) << c.params;
    }
    EXPECT_TRUE(m_desk.Messages().empty());
}

} // namespace
