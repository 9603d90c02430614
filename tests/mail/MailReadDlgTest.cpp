// The read dialog through its real widgets, offscreen, on a real SQLite
// file: loading, the keys that must not close it, reply and forward with
// their quoted bodies and closing rules, and the download. (The pictures of
// the read dialog and the reply are the host's tour's.)
#include "mail/MailReadDlg.h"

#include "MailDialogTest.h"
#include "mail/MailEditDlg.h"
#include "mail/TransferBar.h"
#include "net/ScriptedServer.h"
#include "platform/text/CodePage.h"
#include "platform/ui/DialogActions.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

using namespace vellum::ui;
using vellum::text::FromUtf8;

class MailReadDlgTest : public MailDialogTest
{
protected:
    void SetUp() override
    {
        MailDialogTest::SetUp();
        Run("insert into SystemMailCopy(MailFrom,MailTo,Subject,Body,Attachment,MailTime) values "
            "('wang','li;zhao','abc','<HTML><BODY>Hi</BODY></HTML>','a.txt','2010-05-03 "
            "14:22:01')");
        Run("insert into SystemMailCopy(MailFrom,MailTo,Subject,Body,MailTime) values "
            "('wang','li','abc','<html><body>Hi</body></html>','2010-05-03 14:22:01')");
        // The HTTP client's temporary files go here, so a test sees what stays.
        std::filesystem::create_directories(m_temp);
        setenv("TMPDIR", m_temp.c_str(), 1);
    }

    void TearDown() override
    {
        unsetenv("TMPDIR");
        MailDialogTest::TearDown();
    }

    // The attachment server's address for the dialogs.
    void UseServer(const std::string& url)
    {
        std::filesystem::create_directories(m_folder.Path() + "data");
        std::ofstream(m_folder.Path() + "data/tolvan.ini") << "[.]\nHttpServer=" << url << "\n";
    }

    // Runs the dialog on a row of SystemMailCopy with the person's action,
    // and the next one for a compose dialog it opens.
    int RunDialog(CMailReadDlg& dialog, int key, ScriptedDesktop::ModalAction action,
                  ScriptedDesktop::ModalAction inCompose = nullptr)
    {
        dialog.m_nKeyId = key;
        dialog.m_strTable = "SystemMailCopy";
        dialog.m_strUserName = "li";
        dialog.m_pSession = &m_session;
        m_desktop.ActInModal(std::move(action));
        if (inCompose)
            m_desktop.ActInModal(std::move(inCompose));
        return dialog.DoModal();
    }

    std::string m_temp = m_folder.Path() + "tmp/";
};

TEST_P(MailReadDlgTest, EscapeAndEnterLeaveItOpen)
{
    CMailReadDlg dialog;
    bool open = false;
    RunDialog(dialog, 1, [&](QWidget& window) {
        QWidget* button = FindControl(&window, CMailReadDlg::kDownloadId);
        button->setFocus();
        for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(&window, &press);
        }
        open = window.isVisible();
    });
    EXPECT_TRUE(open);
}

// Reply and forward: subject prefix, recipients, the carried attachment,
// the quote header after an exact "<BODY>" only, and which of them closes
// the read dialog when the compose dialog was cancelled or saved.
TEST_P(MailReadDlgTest, ReplyAndForwardQuoteTheMailAndCloseByTheirRules)
{
    const std::string header = FromUtf8("<b>发件人:</b> wang<br><b>收件人:</b> li;zhao<br>"
                                        "<b>发送时间:</b> 2010-05-03 14:22:01<br><b>标题:</b> "
                                        "abc<br><br>");
    struct Case
    {
        int key;
        int button;
        bool saveInCompose;
        const char* subject;
        const char* mailTo;
        const char* attachment;
        std::string body; // the exchange record's Body handed to the compose dialog
        bool readStaysOpen;
    } cases[] = {
        {1, CMailReadDlg::kReplyId, false, "回复:abc", "wang", "a.txt",
         "<HTML><BODY>" + header + "Hi</BODY></HTML>", true},
        {1, CMailReadDlg::kReplyId, true, "回复:abc", "wang", "a.txt",
         "<HTML><BODY>" + header + "Hi</BODY></HTML>", false},
        {2, CMailReadDlg::kForwardId, false, "转发:abc", "", "", "<html><body>Hi</body></html>",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.subject);
        std::string subject, mailTo, attachment, body;
        auto inCompose = [&](QWidget& window) {
            auto& compose = static_cast<CMailEditDlg&>(window);
            subject = Text(window, CMailEditDlg::kSubjectId);
            mailTo = Text(window, CMailEditDlg::kMailToId);
            attachment = Text(window, CMailEditDlg::kAttachmentId);
            body = compose.m_Exchange.Get(".", "Body").value_or("");
            EXPECT_EQ(compose.m_nKeyId, -1);
            if (c.saveInCompose)
                PressControl(window, CMailEditDlg::kSaveId);
        };
        CMailReadDlg dialog;
        bool open = false;
        int result = RunDialog(
            dialog, c.key,
            [&](QWidget& window) {
                PressControl(window, c.button);
                open = window.isVisible();
            },
            inCompose);
        EXPECT_EQ(subject, FromUtf8(c.subject));
        EXPECT_EQ(mailTo, c.mailTo);
        EXPECT_EQ(attachment, c.attachment);
        EXPECT_EQ(body, c.body);
        EXPECT_EQ(open, c.readStaysOpen);
        EXPECT_EQ(result, c.readStaysOpen ? kDialogCancel : kDialogOk);
    }
    EXPECT_EQ(Rows("select Subject, MailFrom, MailTo from SystemMail"),
              FromUtf8("回复:abc") + "|li|wang\n")
        << "the saved reply";
}

// The field shows the file's own name; the download asks for the whole
// server name, saves under the file's own name and leaves no temporary copy.
TEST_P(MailReadDlgTest, DownloadShowsAndSavesTheFilesOwnNameAndLeavesNoTemporaryCopy)
{
    const std::string stored = "0123456789abcdef0123456789abcdef-plan.doc";
    Run("update SystemMailCopy set Attachment='" + stored + "' where keyid=1");
    vellum::testing::ScriptedServer server([](int fd, const std::string&) {
        return vellum::testing::WriteAll(
            fd, vellum::testing::Response("file body", "Content-Type: application/octet-stream\r\n"
                                                       "Content-Disposition: attachment\r\n"));
    });
    UseServer(server.Url());
    std::string shown;
    CMailReadDlg dialog;
    RunDialog(dialog, 1, [&](QWidget& window) {
        shown = Text(window, CMailReadDlg::kAttachmentId);
        PressControl(window, CMailReadDlg::kDownloadId);
    });
    EXPECT_EQ(shown, "plan.doc");
    EXPECT_NE(server.Request().find("GET /download.jsp?UserName=li&FileName=" + stored + " "),
              std::string::npos)
        << server.Request();
    ASSERT_EQ(m_desktop.OpenedPaths().size(), 1u);
    EXPECT_EQ(m_desktop.OpenedPaths()[0], m_folder.Path() + "temp/plan.doc");
    std::ifstream saved(m_folder.Path() + "temp/plan.doc");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), "file body");
    EXPECT_TRUE(m_desktop.Messages().empty());
    EXPECT_TRUE(std::filesystem::is_empty(m_temp)) << "no http*.tmp stays behind";
}

// A download that stalls half-way: "取消" ends it, no partial file stays
// (in "temp/" or the temporary folder), and the copy saved before is kept.
TEST_P(MailReadDlgTest, ACancelledDownloadLeavesNoPartialFile)
{
    std::atomic<bool> over{false};
    vellum::testing::ScriptedServer server([&over](int fd, const std::string&) {
        vellum::testing::WriteAll(fd,
                                  "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                  "Content-Disposition: attachment\r\n"
                                  "Content-Length: 10000000\r\n\r\n" +
                                      std::string(1 << 20, 'p'));
        for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
             !over && std::chrono::steady_clock::now() < until;)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return true;
    });
    UseServer(server.Url());
    std::filesystem::create_directories(m_folder.Path() + "temp");
    std::ofstream(m_folder.Path() + "temp/a.txt") << "earlier copy";
    std::string caption;
    CMailReadDlg dialog;
    RunDialog(dialog, 1, [&](QWidget& window) {
        CTransferBar* bar = static_cast<CMailReadDlg&>(window).GetTransferBar();
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!bar->isVisible() || bar->Fraction() <= 0)
                return;
            watch.stop();
            caption = Text(window, CMailReadDlg::kDownloadId);
            PressControl(window, CMailReadDlg::kDownloadId);
        });
        watch.start(2);
        PressControl(window, CMailReadDlg::kDownloadId);
        over = true;
    });
    EXPECT_EQ(caption, FromUtf8("取消"));
    std::ifstream kept(m_folder.Path() + "temp/a.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "earlier copy");
    EXPECT_TRUE(m_desktop.OpenedPaths().empty());
    EXPECT_TRUE(m_desktop.Messages().empty());
    EXPECT_TRUE(std::filesystem::is_empty(m_temp)) << "the partial body is gone";
}

VELLUM_ON_SQLITE(MailReadDlgTest);

} // namespace
