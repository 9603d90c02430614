// The dialog reads its row once, when it opens; reply and forward read it
// again, with their own spelling of the query, and hand a quoted copy to a
// compose dialog. While a download runs, a thin transfer bar lies along the
// bottom of the attachment field; while the body holds remote pictures not
// shown, their bar takes the top of the body's row.
#include "mail/MailReadDlg.h"

#include "editor/HtmlViewerWnd.h"
#include "html/ChunkPool.h"
#include "htmlview/HtmlView.h"
#include "mail/AttachmentField.h"
#include "mail/AttachmentTransfer.h"
#include "mail/MailDialogRows.h"
#include "mail/MailEditDlg.h"
#include "mail/RemotePictureBar.h"
#include "mail/RemotePictures.h"
#include "mail/StoredMail.h"
#include "mail/TransferBar.h"
#include "mail/TransferProgress.h"
#include "platform/text/CodePage.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/DesktopServices.h"
#include "platform/ui/QtText.h"
#include "platform/ui/WindowText.h"
#include "ui/LayoutCtrl.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

using vellum::text::FromUtf8;
using namespace vellum::ui;

namespace {

constexpr int kStretch = 0;
constexpr int kFixed = 3;
constexpr int kTransferBarHeight = 4;

} // namespace

CMailReadDlg::CMailReadDlg(QWidget* parent) : CBackdropDialog(parent)
{
}

CMailReadDlg::~CMailReadDlg() = default;

void CMailReadDlg::OnInitDialog()
{
    setWindowTitle(ToQString(FromUtf8("阅读邮件")));
    SetSize(kWidth, kHeight);
    toolbar_ = CreateMailToolbar(
        *this, {{"转发", kForwardId}, {"回复", kReplyId}, {"退出", kDialogCancel}});
    BuildRows();
    transfer_ = CreateTransferProgress(*this, *transferBar_, toolbar_, kAttachmentId, kDownloadId);
    CenterOnParent();
    ArrangeRows();
    ShowBeforeFilling();
    LoadMail();
    remotePictures_ = std::make_unique<RemotePictures>(*viewer_->GetView(), *pictureBar_);
}

void CMailReadDlg::ArrangeRows()
{
    layout_.Arrange(width(), height());
    pictureBar_->FitAbove();
    PlaceTransferBar();
}

void CMailReadDlg::BuildRows()
{
    layout_.owner = this;
    layout_.spacing = 2;
    AddToolbarRow(layout_, toolbar_);
    AddSenderRow(layout_, kSenderId, kTimeId);

    CLayoutRow* row = layout_.AddRow(24, kFixed);
    layout_.AddLabel(row, FromUtf8("收信人:"), 0, 50, kFixed);
    MakeReadOnlyField(layout_.AddEdit(row, kMailToId, 150, kStretch));

    row = layout_.AddRow(20, kFixed);
    layout_.AddLabel(row, FromUtf8("标题"), 0, 50, kFixed);
    MakeReadOnlyField(layout_.AddEdit(row, kSubjectId, 100, kStretch));
    layout_.AddItem(row, nullptr, 5, kFixed);

    viewer_ = new CHtmlViewerWnd(this);
    viewer_->Create(QRect(0, 0, 100, 100), this, kBodyId);
    AddBodyRows(layout_, viewer_);
    pictureBar_ = new RemotePictureBar(*this, *viewer_);
    QLineEdit* attachment = AddAttachmentRow(layout_, kAttachmentId, "下载", kDownloadId);
    MakeReadOnlyField(attachment);

    // A child of the field, so it goes with it and never takes a row.
    transferBar_ = new CTransferBar(attachment);
    transferBar_->hide();
}

// Along the bottom of the part of the field that shows: the last row
// reaches a little past the window's bottom edge (the rows' arithmetic does
// not count the top margin).
void CMailReadDlg::PlaceTransferBar()
{
    if (!transferBar_)
        return;
    QWidget* field = transferBar_->parentWidget();
    int shown = std::min(field->height(), height() - field->mapTo(this, QPoint(0, 0)).y());
    transferBar_->setGeometry(2, shown - kTransferBarHeight - 2, field->width() - 4,
                              kTransferBarHeight);
}

void CMailReadDlg::LoadMail()
{
    if (!m_pSession || m_nKeyId < 1)
        return;
    MailFields mail;
    std::string error;
    switch (LoadStoredMail(
        m_pSession, "select * from " + m_strTable + " where keyid=" + std::to_string(m_nKeyId),
        mail, error)) {
    case StoredMailLookup::Found:
        SetWindowText(FindControl(this, kSubjectId), mail.subject);
        SetWindowText(FindControl(this, kSenderId), mail.sender);
        viewer_->SetHTML(std::move(mail.body));
        SetAttachmentField(FindControl(this, kAttachmentId), mail.attachment);
        SetWindowText(FindControl(this, kMailToId), mail.mailTo);
        SetWindowText(FindControl(this, kTimeId), mail.mailTime);
        return;
    case StoredMailLookup::NoRow:
        Show(FromUtf8("指定的数据不存在"));
        return;
    case StoredMailLookup::QueryFailed:
        Show(error);
        return;
    }
}

void CMailReadDlg::Show(const std::string& text)
{
    MessageBox(text, MessageButtons::Ok, this);
}

bool CMailReadDlg::OnCommand(int id)
{
    switch (id) {
    case kReplyId:
        OpenAnswer(AnswerKind::Reply);
        return true;
    case kForwardId:
        OpenAnswer(AnswerKind::Forward);
        return true;
    case kDownloadId:
        OnDownload();
        return true;
    case RemotePictureBar::kShowPicturesId:
        // The button goes with the offer: the keys go to the body, not to
        // whichever field is next.
        viewer_->GetView()->setFocus();
        if (remotePictures_)
            remotePictures_->ShowHeldBack();
        return true;
    default:
        // Commands stop at the dialog, as they do at any dialog.
        CBackdropDialog::OnCommand(id);
        return true;
    }
}

// A reply goes to the sender and closes this dialog only when it was saved
// or sent; a forward starts without recipients and always closes it. A row
// gone since the dialog opened gives a compose dialog with the bare prefix.
void CMailReadDlg::OpenAnswer(AnswerKind kind)
{
    std::string query =
        "select * from " + m_strTable + " where keyid = " + std::to_string(m_nKeyId);
    MailFields mail;
    std::string error;
    if (LoadStoredMail(m_pSession, query, mail, error) == StoredMailLookup::QueryFailed) {
        Show(error + "\r\n" + query);
        return;
    }
    CMailEditDlg compose;
    compose.m_nKeyId = -1;
    compose.m_pSession = m_pSession;
    compose.m_strUserName = m_strUserName;
    bool reply = kind == AnswerKind::Reply;
    compose.m_Exchange.Set(".", "Subject", FromUtf8(reply ? "回复:" : "转发:") + mail.subject);
    if (reply)
        compose.m_Exchange.Set(".", "MailTo", mail.sender);
    compose.m_Exchange.Set(".", "Attachment", mail.attachment);
    compose.m_Exchange.Set(".", "Body", QuotedBody(mail));
    compose.DoModal(this);
    if (!reply || compose.m_nKeyId >= 0)
        done(kDialogOk);
}

// While a download runs the button reads "取消" and ends it.
void CMailReadDlg::OnDownload()
{
    if (transfer_ && transfer_->IsRunning()) {
        transfer_->Cancel();
        return;
    }
    AttachmentFields fields;
    fields.userName = m_strUserName;
    fields.attachment = GetAttachmentField(FindControl(this, kAttachmentId));
    fields.parent = this;
    fields.runner = transfer_.get();
    fields.session = m_pSession;
    DownloadAttachment(fields);
}

void CMailReadDlg::OnDestroyWindow()
{
    remotePictures_.reset();
    if (pictureBar_)
        pictureBar_->deleteLater();
    pictureBar_ = nullptr;
    transfer_.reset();
    layout_.RemoveAll();
    transferBar_ = nullptr; // went with the attachment field
    if (toolbar_)
        toolbar_->deleteLater();
    toolbar_ = nullptr;
    viewer_ = nullptr;
    // The body went with the layout. Its document was nearly all of a big
    // mail's memory, which goes back to the system now instead of staying
    // with the host until another mail reuses it.
    vellum::html::ReleaseFreedMemory();
}

void CMailReadDlg::resizeEvent(QResizeEvent* event)
{
    CBackdropDialog::resizeEvent(event);
    if (!WindowExists())
        return;
    ArrangeRows();
}

// Neither Escape nor Enter closes the read dialog from a field; Enter acts
// only when the focus is on a control with identifier 1 (OK).
void CMailReadDlg::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && ControlIdOf(focusWidget()) == kDialogOk) {
        OnCommand(kDialogOk);
        return;
    }
    if (enter || event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    CBackdropDialog::keyPressEvent(event);
}
