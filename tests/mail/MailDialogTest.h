// What the dialog tests share: the Qt application, a scripted person at the
// desk, a home folder with the toolbar pictures, and a session on a real
// SQLite file with the mail tables.
#pragma once

#include "MailDbTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/ScriptedDesktop.h"
#include "platform/ui/WindowText.h"

#include <QWidget>

#include <cstdlib>
#include <filesystem>

class MailDialogTest : public MailDbTest
{
protected:
    void SetUp() override
    {
        MailDbTest::SetUp();
        vellum::ui::EnsureApplication();
        std::filesystem::create_directory_symlink(VELLUM_IMAGES_DIR, m_folder.Path() + "images");
        setenv("VELLUM_HOME", m_folder.Path().c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("VELLUM_HOME");
        MailDbTest::TearDown();
    }

    // The text of a dialog's control.
    static std::string Text(const QWidget& dialog, int id)
    {
        return vellum::ui::GetWindowText(vellum::ui::FindControl(&dialog, id));
    }

    vellum::ui::ScriptedDesktop m_desktop;
    vellum::ui::ScopedDesktop m_installed{m_desktop};
};

// The mail dialogs are tested on the embedded SQLite file; sending on
// PostgreSQL is MailSenderTest's.
#define VELLUM_ON_SQLITE(suite)                                                                    \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        Databases, suite, ::testing::Values(vellum::testing::TestDatabase::Sqlite), StoreTestName)
