// The common course of the two dialog exports: when they give up (no main
// window, no database) and what the dialog is given when they do not.
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

// Runs the compose course with nothing to open and checks that it gave up
// before anything was parsed, paused, opened or shown.
void ExpectNothingHappens()
{
    vellum::ui::ScriptedDesktop desk;
    vellum::ui::ScopedDesktop scoped(desk);
    bool ran = false;
    EXPECT_EQ(RunDialogExport("Connect=", PauseBeforeOpen::OneSecond,
                              [&](const DialogRequest&) { ran = true; }),
              0);
    EXPECT_FALSE(ran);
    EXPECT_TRUE(desk.Messages().empty());
    EXPECT_TRUE(desk.Pauses().empty());
}

TEST(DialogExportWithoutHost, WithoutAnApplicationNothingIsShownAndTheResultIs0)
{
    ExpectNothingHappens();
}

TEST(DialogExportWithoutHost, WithoutAVisibleWindowNothingIsShownAndTheResultIs0)
{
    vellum::ui::EnsureApplication();
    QWidget hidden;
    ExpectNothingHappens();
}

TEST_F(DialogExport, AnEmptyConnectShowsTheSessionsMessageOverTheHost)
{
    ShowHost();
    CDbSession reference;
    reference.Open("");
    ASSERT_FALSE(reference.GetLastErrorText().empty());

    for (PauseBeforeOpen pause : {PauseBeforeOpen::OneSecond, PauseBeforeOpen::None}) {
        m_desk = {};
        EXPECT_EQ(Run("edit?UserName=li&Keyid=3", pause), 0);
        EXPECT_FALSE(m_seen);
        ASSERT_EQ(m_desk.Messages().size(), 1u);
        EXPECT_EQ(m_desk.Messages()[0].text, reference.GetLastErrorText());
        EXPECT_EQ(m_desk.Messages()[0].caption, vellum::ui::ApplicationName());
        EXPECT_EQ(m_desk.Messages()[0].buttons, vellum::ui::MessageButtons::Ok);
        std::vector<int> expectedPauses;
        if (pause == PauseBeforeOpen::OneSecond)
            expectedPauses = {1000};
        EXPECT_EQ(m_desk.Pauses(), expectedPauses);
    }
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
