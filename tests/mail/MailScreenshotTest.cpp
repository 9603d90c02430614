// Offscreen pictures of the compose and read dialogs as a person sees them:
// a Chinese mail with an attachment in the read dialog, and the reply to it
// with its quoted body in the compose dialog. The PNGs land in the build
// folder's "screenshots/"; the README shows copies of them.
#include "MailDialogTest.h"
#include "editor/HtmlEditor.h"
#include "mail/MailEditDlg.h"
#include "mail/MailReadDlg.h"
#include "mail/TransferBar.h"
#include "platform/text/CodePage.h"
#include "platform/ui/DialogActions.h"
#include "platform/ui/WindowImage.h"

#include <QImage>

#include <filesystem>

namespace {

using namespace vellum::ui;
using vellum::text::FromUtf8;

std::string ShotPath(const char* name)
{
    std::filesystem::path folder = std::filesystem::path(VELLUM_BINARY_DIR) / "screenshots";
    std::filesystem::create_directories(folder);
    return (folder / name).string();
}

class MailScreenshotTest : public MailDialogTest
{
};

TEST_P(MailScreenshotTest, ReadDialogAndTheReplyItOpens)
{
    std::string body =
        FromUtf8("<HTML><HEAD></HEAD><BODY><P>各位同事：</"
                 "P><P>下周一上午九点在三楼会议室开<B>季度总结会</B>，"
                 "请准备好各自部门的报告。</P><UL><LI>销售部：第三季度回款情况</"
                 "LI><LI>技术部：新版本上线计划"
                 "</LI></UL><P>附件是会议议程，请提前阅读。</P><P>王经理</P></BODY></HTML>");
    std::string insert =
        "insert into SystemMailCopy(MailFrom,MailTo,Subject,Body,Attachment,MailTime) values ('" +
        FromUtf8("王经理") + "','" + FromUtf8("李明;张华,赵丽") + "','" +
        FromUtf8("关于召开季度总结会的通知") + "','" + body + "','" + FromUtf8("会议议程.doc") +
        "','2026-12-04 09:30:00')";
    Run(insert);

    const std::string readPath = ShotPath("read.png");
    const std::string composePath = ShotPath("compose.png");
    bool readSaved = false, composeSaved = false;
    m_desktop.ActInModal([&](QWidget& window) {
        readSaved = RenderToPng(window, readPath);
        PressControl(window, CMailReadDlg::kReplyId);
    });
    m_desktop.ActInModal([&](QWidget& window) {
        static_cast<CMailEditDlg&>(window).GetEditor()->FinishLoading();
        composeSaved = RenderToPng(window, composePath);
    });
    CMailReadDlg dialog;
    dialog.m_nKeyId = 1;
    dialog.m_strTable = "SystemMailCopy";
    dialog.m_strUserName = FromUtf8("李明");
    dialog.m_pSession = &m_session;
    dialog.DoModal();

    ASSERT_TRUE(readSaved);
    ASSERT_TRUE(composeSaved);
    for (const std::string& path : {readPath, composePath}) {
        QImage shot(QString::fromStdString(path));
        EXPECT_EQ(shot.size(), QSize(800, 600)) << path;
    }
    EXPECT_TRUE(m_desktop.Messages().empty());
}

// The transfer bar as an upload shows it, in the compose dialog's thin row
// under the recipients and in the read dialog's attachment field.
TEST_P(MailScreenshotTest, TransferBarsPartWayThroughATransfer)
{
    const std::string composePath = ShotPath("compose-transfer.png");
    const std::string readPath = ShotPath("read-transfer.png");
    bool saved = false;
    m_desktop.ActInModal([&](QWidget& window) {
        CTransferBar* bar = static_cast<CMailEditDlg&>(window).GetTransferBar();
        bar->SetProgress(40, 100);
        bar->show();
        FillControl(window, CMailEditDlg::kAttachmentId, FromUtf8("会议议程.doc"));
        saved = RenderToPng(window, composePath);
        EXPECT_EQ(bar->height(), 5);
        EXPECT_GT(bar->width(), 700);
    });
    CMailEditDlg compose;
    compose.DoModal();
    ASSERT_TRUE(saved);

    saved = false;
    m_desktop.ActInModal([&](QWidget& window) {
        CTransferBar* bar = static_cast<CMailReadDlg&>(window).GetTransferBar();
        bar->SetProgress(70, 100);
        bar->show();
        saved = RenderToPng(window, readPath);
        EXPECT_EQ(bar->height(), 4);
    });
    CMailReadDlg read;
    read.DoModal();
    ASSERT_TRUE(saved);
}

VELLUM_ON_SQLITE(MailScreenshotTest);

} // namespace
