// The compose dialog through its real widgets, offscreen, with a scripted
// person typing into fields, pressing buttons and answering messages, on a
// real SQLite file: the window, the filling, save, send, the keys that must
// not close it, an upload that keeps the window answering until it is
// cancelled, and the private copy that keeps an unsaved mail through a crash.
#include "mail/MailEditDlg.h"

#include "MailDialogTest.h"
#include "editor/HtmlEditor.h"
#include "mail/TransferBar.h"
#include "mail/UnsentMailCopy.h"
#include "net/ScriptedServer.h"
#include "platform/text/CodePage.h"
#include "platform/ui/DialogActions.h"
#include "platform/ui/WindowImage.h"
#include "support/Screenshots.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>

namespace {

using namespace vellum::ui;
using vellum::text::FromUtf8;

class MailEditDlgTest : public MailDialogTest
{
protected:
    CMailEditDlg& Dialog(QWidget& window) { return static_cast<CMailEditDlg&>(window); }

    // Runs a new dialog with the person's actions; returns its result.
    int RunDialog(CMailEditDlg& dialog, ScriptedDesktop::ModalAction action)
    {
        dialog.m_pSession = &m_session;
        dialog.m_strUserName = "li";
        m_desktop.ActInModal(std::move(action));
        return dialog.DoModal();
    }

    static void Key(QWidget* target, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, key == Qt::Key_A ? "a" : "");
        QApplication::sendEvent(target, &press);
    }
};

TEST_P(MailEditDlgTest, AStoredDraftReplacesTheExchangeRecordAndAMissingOneIsReported)
{
    Run("insert into SystemMail(MailFrom,MailTo,Subject,Body,Attachment,MailTime) values "
        "('wang','li','stored','<P>old</P>',NULL,'2010-05-03 14:22:01')");
    struct Case
    {
        int key;
        const char* subject;
        const char* sender;
        std::vector<std::string> shown;
    } cases[] = {
        {1, "stored", "wang", {}},
        {7, "from the record", "li", {FromUtf8("指定的数据不存在")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        size_t before = m_desktop.Messages().size();
        CMailEditDlg dialog;
        dialog.m_nKeyId = c.key;
        dialog.m_Exchange.Set(".", "Subject", "from the record");
        dialog.m_Exchange.Set(".", "Attachment", "x.txt");
        std::string subject, sender, attachment, time;
        RunDialog(dialog, [&](QWidget& window) {
            subject = Text(window, CMailEditDlg::kSubjectId);
            sender = Text(window, CMailEditDlg::kSenderId);
            attachment = Text(window, CMailEditDlg::kAttachmentId);
            time = Text(window, CMailEditDlg::kTimeId);
        });
        EXPECT_EQ(subject, c.subject);
        EXPECT_EQ(sender, c.sender);
        EXPECT_EQ(attachment, c.key == 1 ? "" : "x.txt") << "a NULL gives an empty field";
        if (c.key == 1) {
            EXPECT_EQ(time, "2010-05-03 14:22:01");
        }
        std::vector<std::string> shown;
        for (size_t i = before; i < m_desktop.Messages().size(); ++i)
            shown.push_back(m_desktop.Messages()[i].text);
        EXPECT_EQ(shown, c.shown);
    }
}

TEST_P(MailEditDlgTest, SendClosesTheDialogOnlyWhenTheMailWentOut)
{
    struct Case
    {
        const char* mailTo;
        const char* subject;
        int result;
        const char* message;
        const char* notices;
    } cases[] = {
        {"a,b;c", "s", kDialogOk, "邮件已经发送", "3\n"},
        {"a", "", kDialogCancel, "请输入邮件标题", "0\n"},
        {"", "s", kDialogCancel, "请输入收件人名称", "0\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Run("delete from SystemMailNotify");
        CMailEditDlg dialog;
        bool openAfterSend = false;
        size_t before = m_desktop.Messages().size();
        int result = RunDialog(dialog, [&](QWidget& window) {
            FillControl(window, CMailEditDlg::kMailToId, c.mailTo);
            FillControl(window, CMailEditDlg::kSubjectId, c.subject);
            PressControl(window, CMailEditDlg::kSendId);
            openAfterSend = window.isVisible();
        });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(openAfterSend, c.result != kDialogOk);
        ASSERT_EQ(m_desktop.Messages().size(), before + 1);
        EXPECT_EQ(m_desktop.Messages().back().text, FromUtf8(c.message));
        EXPECT_EQ(Rows("select count(*) from SystemMailNotify"), c.notices);
        EXPECT_EQ(
            Rows("select Status from SystemMail where keyid=" + std::to_string(dialog.m_nKeyId)),
            c.result == kDialogOk ? "1\n" : "0\n")
            << "the draft is saved either way";
    }
}

// Escape leaves the dialog open. Enter in a single-line field ends it through
// OK, the close box and 退出 through Cancel, none of them saving; but once the
// person changed something, each first asks 保存 / 不保存 / 取消. What the
// dialog filled in by itself (a reply's subject and quote) is no change.
TEST_P(MailEditDlgTest, EndingWithoutSavingAsksFirstOnlyWhenSomethingChanged)
{
    enum class End { Enter, CloseBox, Quit };
    struct Case
    {
        const char* name;
        const char* typed; // nullptr: nothing typed
        End end;
        std::optional<MessageAnswer> answer; // nothing: no question expected
        int result;                          // 0: still open afterwards
        const char* storedSubjects;
    } cases[] = {
        {"untouched, Enter", nullptr, End::Enter, {}, kDialogOk, ""},
        {"untouched reply, 退出", nullptr, End::Quit, {}, kDialogCancel, ""},
        {"typed, Enter, 取消", "typed", End::Enter, MessageAnswer::Cancel, 0, ""},
        {"typed, close box, 不保存", "typed", End::CloseBox, MessageAnswer::No, kDialogCancel, ""},
        {"typed, 退出, 保存", "kept", End::Quit, MessageAnswer::Yes, kDialogCancel, "kept\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        size_t messagesBefore = m_desktop.Messages().size();
        CMailEditDlg dialog;
        dialog.m_Exchange.Set(".", "Subject", "Re: hello");
        dialog.m_Exchange.Set(".", "Body", "<P>&gt; quoted</P>");
        if (c.answer)
            m_desktop.AnswerMessage(*c.answer);
        bool openAfterEscape = false, openAfterEnd = false;
        int result = RunDialog(dialog, [&](QWidget& window) {
            QWidget* subject = FindControl(&window, CMailEditDlg::kSubjectId);
            if (c.typed)
                FillControl(window, CMailEditDlg::kSubjectId, c.typed);
            subject->setFocus();
            Key(subject, Qt::Key_Escape);
            openAfterEscape = window.isVisible();
            if (c.end == End::CloseBox)
                window.close();
            else if (c.end == End::Enter)
                Key(subject, Qt::Key_Return);
            else
                Dialog(window).OnCommand(kDialogCancel);
            openAfterEnd = window.isVisible();
        });
        EXPECT_TRUE(openAfterEscape);
        EXPECT_EQ(openAfterEnd, c.result == 0);
        if (c.result != 0) {
            EXPECT_EQ(result, c.result);
        }
        ASSERT_EQ(m_desktop.Messages().size(), messagesBefore + (c.answer ? 1 : 0));
        if (c.answer) {
            EXPECT_EQ(m_desktop.Messages().back().buttons, MessageButtons::SaveDiscardCancel);
            EXPECT_EQ(m_desktop.Messages().back().text, FromUtf8("邮件已修改，是否保存？"));
        }
        EXPECT_EQ(Rows("select Subject from SystemMail"), c.storedSubjects);
    }
}

// Counts the paint events a widget gets.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// An upload to a server that takes the body slowly and never answers: the
// window answers at once, repaints and takes a key typed meanwhile, the bar
// moves, the toolbar and every way of closing wait, and "取消" ends the
// upload, leaving the earlier attachment. The picture of the window during
// the transfer goes to the README. Then an upload that the server names in
// the current form: the field shows the file's own name, a save keeps the
// whole server name.
TEST_P(MailEditDlgTest, AStalledUploadKeepsTheWindowAnsweringAndCancelEndsIt)
{
    using Clock = std::chrono::steady_clock;
    std::atomic<bool> over{false};
    vellum::testing::ScriptedServer stalled(
        [&over](int fd, const std::string&) {
            // Bounded, so a cancel that does not work fails the test
            // instead of hanging it.
            for (auto until = Clock::now() + std::chrono::seconds(20);
                 !over && Clock::now() < until;) {
                vellum::testing::ReadCount(fd, 64 * 1024, 10);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            return true;
        },
        false);
    std::filesystem::create_directories(m_folder.Path() + "data");
    auto useServer = [this](const std::string& url) {
        std::ofstream(m_folder.Path() + "data/tolvan.ini") << "[.]\nHttpServer=" << url << "\n";
    };
    useServer(stalled.Url());
    std::ofstream(m_folder.Path() + "big.bin") << std::string(24 << 20, 'b');
    m_desktop.AnswerOpenFile(m_folder.Path() + "big.bin");
    const std::string stored = "0123456789abcdef0123456789abcdef-plan.doc";

    CMailEditDlg dialog;
    dialog.m_Exchange.Set(".", "Attachment", "earlier.txt");
    PaintCounter counter;
    Clock::time_point pressed, answered, cancelPressed, ended;
    double firstFraction = 0, lastFraction = 0;
    int paintsWhileRunning = 0;
    bool openWhileRunning = false, saveEnabledWhileRunning = true, shot = false;
    std::string captionWhileRunning, captionAfter, attachmentAfter, subjectAfter, shownAfter;
    RunDialog(dialog, [&](QWidget& window) {
        QWidget* subject = FindControl(&window, CMailEditDlg::kSubjectId);
        CTransferBar* bar = Dialog(window).GetTransferBar();
        auto* upload =
            qobject_cast<QAbstractButton*>(FindControl(&window, CMailEditDlg::kUploadId));
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!bar->isVisible())
                return;
            if (answered == Clock::time_point()) {
                answered = Clock::now();
                subject->installEventFilter(&counter);
                subject->update();
                QApplication::postEvent(
                    subject, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
            }
            if (firstFraction <= 0) {
                firstFraction = bar->Fraction();
                return;
            }
            // Waits for the bar to move (bounded, as the server is).
            if (bar->Fraction() <= firstFraction &&
                Clock::now() - answered < std::chrono::seconds(10))
                return;
            watch.stop();
            lastFraction = bar->Fraction();
            paintsWhileRunning = counter.paints;
            window.close();
            Key(subject, Qt::Key_Return);
            openWhileRunning = window.isVisible();
            saveEnabledWhileRunning = FindControl(&window, CMailEditDlg::kSaveId)->isEnabled();
            captionWhileRunning = GetWindowText(upload);
            shot = RenderToPng(window, vellum::testing::ScreenshotPath("compose-transfer.png"));
            cancelPressed = Clock::now();
            PressControl(window, CMailEditDlg::kUploadId);
        });
        watch.start(2);
        FillControl(window, CMailEditDlg::kSubjectId, "s");
        subject->setFocus();
        pressed = Clock::now();
        ASSERT_TRUE(PressControl(window, CMailEditDlg::kUploadId));
        ended = Clock::now();
        over = true;
        subject->removeEventFilter(&counter);
        captionAfter = GetWindowText(upload);
        attachmentAfter = Text(window, CMailEditDlg::kAttachmentId);
        subjectAfter = Text(window, CMailEditDlg::kSubjectId);

        vellum::testing::ScriptedServer naming(vellum::testing::Answer(vellum::testing::Response(
            "SUCCESS?FileName1=" + stored, "Content-Type: text/plain\r\n")));
        useServer(naming.Url());
        std::ofstream(m_folder.Path() + "plan.doc") << "plan";
        m_desktop.AnswerOpenFile(m_folder.Path() + "plan.doc");
        PressControl(window, CMailEditDlg::kUploadId);
        shownAfter = Text(window, CMailEditDlg::kAttachmentId);
        PressControl(window, CMailEditDlg::kSaveId);
    });
    auto ms = [](Clock::duration d) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
    };
    std::printf("[ figures  ] the window answered %lld ms after the press; the bar went from "
                "%.0f%% to %.0f%%; cancel ended the upload in %lld ms\n",
                static_cast<long long>(ms(answered - pressed)), firstFraction * 100,
                lastFraction * 100, static_cast<long long>(ms(ended - cancelPressed)));
    EXPECT_GT(lastFraction, firstFraction) << "the bar moves";
    EXPECT_GT(paintsWhileRunning, 0) << "the window repaints";
    EXPECT_EQ(subjectAfter, "sa") << "the key typed meanwhile arrived";
    EXPECT_TRUE(openWhileRunning) << "neither the close box nor Enter ended it";
    EXPECT_FALSE(saveEnabledWhileRunning);
    EXPECT_EQ(captionWhileRunning, FromUtf8("取消"));
    EXPECT_TRUE(shot);
    EXPECT_LT(ms(ended - cancelPressed), 1000);
    EXPECT_EQ(captionAfter, FromUtf8("上传"));
    EXPECT_EQ(attachmentAfter, "earlier.txt");
    EXPECT_TRUE(m_desktop.Messages().empty()) << "a cancel needs no message";
    EXPECT_EQ(shownAfter, "plan.doc");
    EXPECT_EQ(Rows("select Attachment from SystemMail"), stored + "\n");
}

// While the mail has unsaved changes the dialog keeps a copy only the user
// may read; saving (the dialog stays), sending and 不保存 each remove it. The
// copy's 5 s tick is made due at once.
TEST_P(MailEditDlgTest, AnUnsavedMailKeepsAPrivateCopyUntilSavedSentOrDiscarded)
{
    setenv("XDG_STATE_HOME", (m_folder.Path() + "state").c_str(), 1);
    UnsentMailCopy copy("li");
    for (int end : {int{CMailEditDlg::kSaveId}, int{CMailEditDlg::kSendId}, kDialogCancel}) {
        SCOPED_TRACE(end);
        std::optional<UnsentMail> kept;
        int interval = 0;
        bool keptWhileOpen = true;
        if (end == kDialogCancel)
            m_desktop.AnswerMessage(MessageAnswer::No); // 不保存
        CMailEditDlg dialog;
        RunDialog(dialog, [&](QWidget& window) {
            auto* tick = window.findChild<QTimer*>("unsentCopyTimer");
            ASSERT_NE(tick, nullptr);
            interval = tick->interval();
            FillControl(window, CMailEditDlg::kMailToId, "wang");
            FillControl(window, CMailEditDlg::kSubjectId, "plan");
            tick->start(0);
            QApplication::processEvents();
            kept = copy.Read();
            Dialog(window).OnCommand(end);
            keptWhileOpen = window.isVisible() && copy.Read();
            if (window.isVisible())
                Dialog(window).OnCommand(kDialogCancel);
        });
        EXPECT_EQ(interval, 5000);
        ASSERT_TRUE(kept);
        EXPECT_EQ(kept->fields.mailTo + "|" + kept->fields.subject, "wang|plan");
        EXPECT_EQ(kept->keyId, -1);
        EXPECT_FALSE(std::filesystem::exists(copy.Path()));
        EXPECT_FALSE(keptWhileOpen);
    }
    unsetenv("XDG_STATE_HOME");
}

// A mail given back after a crash comes from a private file that a cut
// anywhere makes unreadable, never half read. It fills every field, keeps
// the key of the draft it was written on, and is a change: closing asks, and
// 保存 stores it.
TEST_P(MailEditDlgTest, ARestoredMailShowsEverythingAsItWasAndCountsAsAChange)
{
    namespace fs = std::filesystem;
    setenv("XDG_STATE_HOME", (m_folder.Path() + "state").c_str(), 1);
    Run("insert into SystemMail(MailFrom,MailTo,Subject,Body,MailTime) values "
        "('li','zhao','stored','<P>old</P>','2010-05-03 14:22:01')");
    UnsentMailCopy copy(FromUtf8("李"));
    EXPECT_EQ(copy.Path(), m_folder.Path() + "state/vellum/unsent-%E6%9D%8E.mail");
    // Lines that look like the file's own entries stay body text.
    ASSERT_TRUE(copy.Write(1, {"li", "2026-12-07 13:00:00", "wang;zhao", FromUtf8("季度计划"),
                               "<P>one</P>\nBody 3\n<P>two</P>\n", "p.doc"}));
    EXPECT_EQ(fs::status(m_folder.Path() + "state/vellum").permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(copy.Path()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder.Path() + "state/vellum"), {}), 1)
        << "no temporary file is left beside the copy";
    std::ifstream file(copy.Path(), std::ios::binary);
    const std::string whole{std::istreambuf_iterator<char>(file), {}};
    for (std::size_t length = 0; length < whole.size(); ++length) {
        std::ofstream(copy.Path(), std::ios::trunc) << whole.substr(0, length);
        ASSERT_FALSE(copy.Read()) << "cut after " << length << " bytes";
    }
    std::ofstream(copy.Path(), std::ios::trunc) << whole;
    std::optional<UnsentMail> lost = copy.Read();
    ASSERT_TRUE(lost);

    CMailEditDlg dialog;
    dialog.RestoreUnsentMail(*lost);
    std::string shown, body;
    m_desktop.AnswerMessage(MessageAnswer::Yes);
    RunDialog(dialog, [&](QWidget& window) {
        for (int id :
             {CMailEditDlg::kMailToId, CMailEditDlg::kSubjectId, CMailEditDlg::kAttachmentId})
            shown += Text(window, id) + "|";
        Dialog(window).GetEditor()->GetHTML(body);
        Dialog(window).OnCommand(kDialogCancel);
    });
    EXPECT_EQ(shown, "wang;zhao|" + FromUtf8("季度计划") + "|p.doc|");
    EXPECT_NE(body.find("Body 3"), std::string::npos) << body;
    EXPECT_EQ(m_desktop.Messages().back().text, FromUtf8("邮件已修改，是否保存？"));
    EXPECT_EQ(Rows("select count(*), Subject from SystemMail"), "1|" + FromUtf8("季度计划") + "\n");
    copy.Remove();
    unsetenv("XDG_STATE_HOME");
}

VELLUM_ON_SQLITE(MailEditDlgTest);

} // namespace
