// The compose dialog through its real widgets, offscreen, with a scripted
// person typing into fields, pressing buttons and answering messages, on a
// real SQLite file: the window, the filling, save, send, the keys that must
// not close it, and an upload that keeps the window painting but deaf.
#include "mail/MailEditDlg.h"

#include "MailDialogTest.h"
#include "mail/TransferBar.h"
#include "net/ScriptedServer.h"
#include "platform/text/CodePage.h"
#include "platform/ui/DialogActions.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>

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

    static void Click(QWidget* target)
    {
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(target, &event);
        }
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

// The upload's request runs while the person keeps typing and clicking:
// the transfer bar shows, the window paints, and nothing typed or clicked
// reaches it until the server has answered.
TEST_P(MailEditDlgTest, AnUploadShowsItsProgressAndTakesNoInputUntilItEnds)
{
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    vellum::testing::ScriptedServer server([released](int fd, const std::string&) {
        // Bounded, so a transfer that never showed its bar fails the test
        // instead of hanging it.
        released.wait_for(std::chrono::seconds(30));
        return vellum::testing::WriteAll(fd,
                                         vellum::testing::Response("SUCCESS?FileName1=stored.txt",
                                                                   "Content-Type: text/plain\r\n"));
    });
    std::filesystem::create_directories(m_folder.Path() + "data");
    std::ofstream(m_folder.Path() + "data/tolvan.ini")
        << "[.]\nHttpServer=" << server.Url() << "\n";
    std::ofstream(m_folder.Path() + "local.txt") << std::string(200000, 'x');
    m_desktop.AnswerOpenFile(m_folder.Path() + "local.txt");

    CMailEditDlg dialog;
    bool barSeen = false;
    PaintCounter counter;
    int paintsDuringTransfer = 0;
    std::string attachment, subjectAfter;
    bool barHiddenAfter = false;
    RunDialog(dialog, [&](QWidget& window) {
        QWidget* subject = FindControl(&window, CMailEditDlg::kSubjectId);
        subject->installEventFilter(&counter);
        int ticks = 0;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!Dialog(window).GetTransferBar()->isVisible() || ticks < 0)
                return;
            barSeen = true;
            if (ticks++ == 0) {
                counter.paints = 0;
                subject->update();
                return;
            }
            // The paint asked for on the first tick comes through the event
            // loop; a window that froze would never get it (the server
            // answers anyway after a while, and the check below fails).
            if (counter.paints == 0 && ticks < 500)
                return;
            paintsDuringTransfer = counter.paints;
            Key(subject, Qt::Key_A);
            Click(FindControl(&window, CMailEditDlg::kSaveId));
            ticks = -1;
            release.set_value();
        });
        watch.start(1);
        FillControl(window, CMailEditDlg::kSubjectId, "s");
        subject->setFocus();
        ASSERT_TRUE(PressControl(window, CMailEditDlg::kUploadId));
        subject->removeEventFilter(&counter);
        attachment = Text(window, CMailEditDlg::kAttachmentId);
        subjectAfter = Text(window, CMailEditDlg::kSubjectId);
        barHiddenAfter = !Dialog(window).GetTransferBar()->isVisible();
    });
    EXPECT_TRUE(barSeen);
    EXPECT_GT(paintsDuringTransfer, 0);
    EXPECT_TRUE(barHiddenAfter);
    EXPECT_EQ(attachment, "stored.txt");
    EXPECT_EQ(subjectAfter, "s") << "the key went nowhere";
    EXPECT_EQ(Rows("select count(*) from SystemMail"), "0\n") << "the click on 保存 went nowhere";
    EXPECT_NE(server.Request().find("name=\"File1\""), std::string::npos);
}

VELLUM_ON_SQLITE(MailEditDlgTest);

} // namespace
