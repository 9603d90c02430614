// The read dialog through its real widgets, offscreen, on a real SQLite
// file: loading, the keys that must not close it, reply and forward with
// their quoted bodies and closing rules, and the download.
#include "mail/MailReadDlg.h"

#include "MailDialogTest.h"
#include "mail/MailEditDlg.h"
#include "net/ScriptedServer.h"
#include "platform/text/CodePage.h"
#include "platform/ui/DialogActions.h"

#include <QApplication>
#include <QKeyEvent>

#include <filesystem>
#include <fstream>
#include <unistd.h>

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

TEST_P(MailReadDlgTest, DownloadFetchesTheAttachmentIntoTempAndOpensIt)
{
    vellum::testing::ScriptedServer server([](int fd, const std::string&) {
        std::string reply = vellum::testing::Response(
            "file body", "Content-Type: application/octet-stream\r\n"
                         "Content-Disposition: attachment; filename=a.txt\r\n");
        return ::write(fd, reply.data(), reply.size()) > 0;
    });
    std::filesystem::create_directories(m_folder.Path() + "data");
    std::ofstream(m_folder.Path() + "data/tolvan.ini")
        << "[.]\nHttpServer=" << server.Url() << "\n";
    CMailReadDlg dialog;
    RunDialog(dialog, 1, [&](QWidget& window) { PressControl(window, CMailReadDlg::kDownloadId); });
    EXPECT_NE(server.Request().find("GET /download.jsp?UserName=li&FileName=a.txt "),
              std::string::npos)
        << server.Request();
    ASSERT_EQ(m_desktop.OpenedPaths().size(), 1u);
    EXPECT_EQ(m_desktop.OpenedPaths()[0], m_folder.Path() + "temp/a.txt");
    std::ifstream saved(m_folder.Path() + "temp/a.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), "file body");
    EXPECT_TRUE(m_desktop.Messages().empty());
}

VELLUM_ON_SQLITE(MailReadDlgTest);

} // namespace
