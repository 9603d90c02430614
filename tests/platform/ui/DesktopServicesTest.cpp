// The desktop seam as other folders use it: the message-box conveniences
// with their captions, the current instance, and the scripted person's
// answers, records and modal actions.
#include "platform/ui/DesktopServices.h"

#include "platform/text/CodePage.h"
#include "platform/ui/Application.h"
#include "platform/ui/ScriptedDesktop.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace vellum::ui;
using vellum::text::FromUtf8;

namespace {

TEST(DesktopServices, MessageBoxesCarryTheApplicationNameOrError)
{
    ScriptedDesktop desktop;
    ScopedDesktop installed(desktop);
    desktop.AnswerMessage(MessageAnswer::Yes);

    EXPECT_EQ(MessageBox(FromUtf8("邮件已经发送")), MessageAnswer::Ok);
    EXPECT_EQ(MessageBox(FromUtf8("确定要删除吗?"), MessageButtons::YesNo), MessageAnswer::Yes);
    EXPECT_EQ(ErrorMessageBox("no font"), MessageAnswer::Ok);

    ASSERT_EQ(desktop.Messages().size(), 3u);
    EXPECT_EQ(desktop.Messages()[0].text, FromUtf8("邮件已经发送"));
    EXPECT_EQ(desktop.Messages()[0].caption, ApplicationName());
    EXPECT_FALSE(ApplicationName().empty());
    EXPECT_EQ(desktop.Messages()[0].icon, MessageIcon::None);
    EXPECT_EQ(desktop.Messages()[1].buttons, MessageButtons::YesNo);
    EXPECT_EQ(desktop.Messages()[2].caption, "Error");
    EXPECT_EQ(desktop.Messages()[2].icon, MessageIcon::Error);
    EXPECT_EQ(desktop.UnusedAnswers(), 0u);
}

TEST(DesktopServices, UnansweredQuestionsTakeTheCautiousAnswer)
{
    ScriptedDesktop desktop;
    ScopedDesktop installed(desktop);
    EXPECT_EQ(MessageBox("q", MessageButtons::YesNo), MessageAnswer::No);
    EXPECT_EQ(MessageBox("q", MessageButtons::OkCancel), MessageAnswer::Cancel);
    EXPECT_FALSE(CurrentDesktop().ChooseOpenFile(nullptr, "*.*|*.*||").has_value());
    EXPECT_FALSE(CurrentDesktop().ChooseColor(nullptr, 0).has_value());
}

TEST(DesktopServices, ScopedInstallPutsThePreviousInstanceBack)
{
    ScriptedDesktop outer;
    ScriptedDesktop inner;
    ScopedDesktop installOuter(outer);
    {
        ScopedDesktop installInner(inner);
        EXPECT_EQ(&CurrentDesktop(), &inner);
    }
    EXPECT_EQ(&CurrentDesktop(), &outer);
}

TEST(DesktopServices, FileColourShellPauseAndWaitCursorAreAnsweredAndRecorded)
{
    ScriptedDesktop desktop;
    ScopedDesktop installed(desktop);
    desktop.AnswerOpenFile(std::string("/tmp/a.txt"));
    desktop.AnswerOpenFile(std::nullopt);
    desktop.AnswerColor(0x0000FF);

    const std::string filter = FromUtf8("所有文件 (*.*)|*.*||");
    EXPECT_EQ(CurrentDesktop().ChooseOpenFile(nullptr, filter), std::string("/tmp/a.txt"));
    EXPECT_EQ(CurrentDesktop().ChooseOpenFile(nullptr, filter), std::nullopt);
    EXPECT_EQ(CurrentDesktop().ChooseColor(nullptr, 0xFFFFFF), 0x0000FFu);
    EXPECT_EQ(desktop.ColorDialogCount(), 1);
    ASSERT_EQ(desktop.FileFilters().size(), 2u);
    EXPECT_EQ(desktop.FileFilters()[0], filter);

    EXPECT_TRUE(CurrentDesktop().ShellOpen("/tmp/x.doc"));
    desktop.SetShellOpenSucceeds(false);
    EXPECT_FALSE(CurrentDesktop().ShellOpen("/tmp/y.doc"));
    EXPECT_EQ(desktop.OpenedPaths(), (std::vector<std::string>{"/tmp/x.doc", "/tmp/y.doc"}));

    CurrentDesktop().Pause(1000);
    EXPECT_EQ(desktop.Pauses(), std::vector<int>{1000});

    {
        WaitCursor outer;
        WaitCursor inner;
        EXPECT_EQ(desktop.WaitCursorDepth(), 2);
    }
    EXPECT_EQ(desktop.WaitCursorDepth(), 0);
    EXPECT_EQ(desktop.WaitCursorCount(), 2);
}

TEST(DesktopServices, ModalActionActsOnTheShownDialogAndDrawsAnswersForItsMessageBoxes)
{
    EnsureApplication();
    ScriptedDesktop desktop;
    ScopedDesktop installed(desktop);

    QDialog dialog;
    dialog.setWindowTitle(QString::fromUtf8("查找"));
    auto* edit = new QLineEdit(&dialog);
    auto* ok = new QPushButton("OK", &dialog);
    QObject::connect(ok, &QPushButton::clicked, &dialog, [&] { dialog.done(kDialogOk); });

    bool sawVisibleDialog = false;
    desktop.ActInModal([&](QWidget& shown) {
        sawVisibleDialog = shown.isVisible();
        edit->setText("alice");
        ok->click();
    });
    EXPECT_EQ(CurrentDesktop().RunModal(dialog), kDialogOk);
    EXPECT_TRUE(sawVisibleDialog);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(edit->text(), "alice");
    EXPECT_EQ(desktop.ModalCaptions(), std::vector<std::string>{FromUtf8("查找")});

    // Without an action the scripted person cancels, as Escape would.
    EXPECT_EQ(CurrentDesktop().RunModal(dialog), kDialogCancel);

    // Only dialogs run modally.
    QWidget plain;
    EXPECT_EQ(CurrentDesktop().RunModal(plain), -1);

    // A message box inside a modal action draws the next scripted answer.
    desktop.AnswerMessage(MessageAnswer::Yes);
    desktop.AnswerMessage(MessageAnswer::No);
    MessageAnswer inside = MessageAnswer::Ok;
    desktop.ActInModal([&](QWidget&) {
        inside = MessageBox("inner", MessageButtons::YesNo);
        dialog.done(kDialogOk);
    });
    EXPECT_EQ(CurrentDesktop().RunModal(dialog), kDialogOk);
    EXPECT_EQ(inside, MessageAnswer::Yes);
    EXPECT_EQ(MessageBox("outer", MessageButtons::YesNo), MessageAnswer::No);
}

} // namespace
