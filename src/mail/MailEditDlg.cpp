// The window is assembled row by row at initialisation (see BuildRows for
// the rows, heights and flags); the fields are filled from the user name,
// the clock, the exchange record and then the stored draft, each replacing
// what came before. Every command of the dialog ends here: the toolbar
// strip passes its buttons' clicks on, and "选择" (6007) is bound to
// nothing on purpose. A body quoting a mail with remote pictures (a reply, a
// forward) holds them back as the read dialog does, under the same bar.
#include "mail/MailEditDlg.h"

#include "editor/HtmlEditor.h"
#include "html/ChunkPool.h"
#include "htmlview/HtmlView.h"
#include "mail/AttachmentField.h"
#include "mail/AttachmentTransfer.h"
#include "mail/MailDialogRows.h"
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
#include <QTimer>

using vellum::text::FromUtf8;
using namespace vellum::ui;

namespace {

constexpr int kStretch = 0;
constexpr int kFixed = 3;

bool SameMail(const MailFields& a, const MailFields& b)
{
    return a.mailTo == b.mailTo && a.subject == b.subject && a.attachment == b.attachment &&
           a.body == b.body;
}

} // namespace

CMailEditDlg::CMailEditDlg(QWidget* parent) : CBackdropDialog(parent)
{
}

CMailEditDlg::~CMailEditDlg() = default;

void CMailEditDlg::OnInitDialog()
{
    setWindowTitle(ToQString(FromUtf8("编辑邮件")));
    SetSize(kWidth, kHeight);
    toolbar_ =
        CreateMailToolbar(*this, {{"保存", kSaveId}, {"发送", kSendId}, {"退出", kDialogCancel}});
    BuildRows();
    transfer_ = CreateTransferProgress(*this, *transferBar_, toolbar_, kAttachmentId, kUploadId);
    CenterOnParent();
    ArrangeRows();
    ShowBeforeFilling();
    // Before the body is filled, so that its load is watched: a reply or a
    // forward does not fetch the original's pictures unasked either.
    remotePictures_ = std::make_unique<RemotePictures>(*editor_->GetView(), *pictureBar_);
    FillFields();
    unchanged_ = ReadFields();
    if (restored_) {
        WriteFields(restored_->fields);
        copied_ = ReadFields();
    }
    unsentCopy_ = std::make_unique<UnsentMailCopy>(m_strUserName);
    copyTimer_ = new QTimer(this);
    copyTimer_->setObjectName(QStringLiteral("unsentCopyTimer"));
    connect(copyTimer_, &QTimer::timeout, this, [this] { KeepUnsentCopy(); });
    copyTimer_->start(kUnsentCopyIntervalMs);
}

void CMailEditDlg::ArrangeRows()
{
    layout_.Arrange(width(), height());
    pictureBar_->FitAbove();
}

void CMailEditDlg::RestoreUnsentMail(const UnsentMail& mail)
{
    m_nKeyId = mail.keyId;
    restored_ = mail;
}

// Serialising the body is the costly part of a tick, so the copy is written
// only when the mail differs from both the saved one and the copy.
void CMailEditDlg::KeepUnsentCopy()
{
    if (!unsentCopy_ || !editor_)
        return;
    MailFields now = ReadFieldsForCopy();
    if (SameMail(now, unchanged_)) {
        DropUnsentCopy();
        return;
    }
    if (copied_ && SameMail(now, *copied_))
        return;
    if (unsentCopy_->Write(m_nKeyId, now))
        copied_ = now;
}

void CMailEditDlg::DropUnsentCopy()
{
    if (unsentCopy_)
        unsentCopy_->Remove();
    copied_.reset();
}

void CMailEditDlg::BuildRows()
{
    layout_.owner = this;
    layout_.spacing = 2;
    AddToolbarRow(layout_, toolbar_);
    AddSenderRow(layout_, kSenderId, kTimeId);

    CLayoutRow* row = layout_.AddRow(24, kFixed);
    layout_.AddLabel(row, FromUtf8("收信人:"), 0, 50, kFixed);
    layout_.AddEdit(row, kMailToId, 150, kStretch);
    layout_.AddButton(row, FromUtf8("选择"), kChooseId, 50, kFixed);

    // The gap holds the transfer bar, shown only while an upload runs.
    row = layout_.AddRow(5, kFixed);
    transferBar_ = new CTransferBar(this);
    transferBar_->hide();
    layout_.AddItem(row, transferBar_, 100, kStretch);
    layout_.AddItem(row, nullptr, 5, kFixed);

    row = layout_.AddRow(20, kFixed);
    layout_.AddLabel(row, FromUtf8("标题"), 0, 50, kFixed);
    layout_.AddEdit(row, kSubjectId, 100, kStretch);
    layout_.AddItem(row, nullptr, 5, kFixed);

    editor_ = new CHtmlEditor(this);
    editor_->Create(QRect(0, 0, 100, 100), this, kBodyId);
    AddBodyRows(layout_, editor_);
    pictureBar_ = new RemotePictureBar(*this, *editor_);
    AddAttachmentRow(layout_, kAttachmentId, "上传", kUploadId);
}

void CMailEditDlg::FillFields()
{
    MailFields fields;
    fields.sender = m_strUserName;
    fields.mailTime = CurrentMailTime();
    fields.subject = m_Exchange.Get(".", "Subject").value_or("");
    fields.mailTo = m_Exchange.Get(".", "MailTo").value_or("");
    fields.attachment = m_Exchange.Get(".", "Attachment").value_or("");
    fields.body = m_Exchange.Get(".", "Body").value_or("");
    if (m_pSession && m_nKeyId >= 1) {
        std::string error;
        switch (LoadStoredMail(m_pSession,
                               "select * from SystemMail where keyid=" + std::to_string(m_nKeyId),
                               fields, error)) {
        case StoredMailLookup::Found:
            break;
        case StoredMailLookup::NoRow:
            Show(FromUtf8("指定的数据不存在"));
            break;
        case StoredMailLookup::QueryFailed:
            Show(error);
            break;
        }
    }
    WriteFields(fields);
}

void CMailEditDlg::WriteFields(const MailFields& fields)
{
    SetWindowText(FindControl(this, kSenderId), fields.sender);
    SetWindowText(FindControl(this, kTimeId), fields.mailTime);
    SetWindowText(FindControl(this, kMailToId), fields.mailTo);
    SetWindowText(FindControl(this, kSubjectId), fields.subject);
    SetAttachmentField(FindControl(this, kAttachmentId), fields.attachment);
    editor_->SetInitialHTML(fields.body);
}

MailFields CMailEditDlg::ReadFields() const
{
    MailFields fields = ReadTextFields();
    if (editor_ && !editor_->GetHTML(fields.body))
        fields.body.clear();
    return fields;
}

MailFields CMailEditDlg::ReadTextFields() const
{
    MailFields fields;
    fields.sender = GetWindowText(FindControl(this, kSenderId));
    fields.mailTime = GetWindowText(FindControl(this, kTimeId));
    fields.mailTo = GetWindowText(FindControl(this, kMailToId));
    fields.subject = GetWindowText(FindControl(this, kSubjectId));
    fields.attachment = GetAttachmentField(FindControl(this, kAttachmentId));
    return fields;
}

// The body is serialised again only when the document changed since the
// last tick: a body that carries pictures takes a visible moment to write
// out, and most ticks find it as it was.
MailFields CMailEditDlg::ReadFieldsForCopy()
{
    const std::uint64_t stamp = editor_->BodyStamp();
    if (stamp == 0 || stamp != bodyStamp_) {
        MailFields fields = ReadFields();
        bodyStamp_ = editor_->BodyStamp(); // a load GetHTML finished changes it
        bodyRead_ = fields.body;
        return fields;
    }
    MailFields fields = ReadTextFields();
    fields.body = bodyRead_;
    return fields;
}

MailSender CMailEditDlg::Sender()
{
    return MailSender(
        m_pSession, m_strUserName, m_nKeyId, m_Exchange,
        [this](const std::string& text) { Show(text); },
        [this](const std::string& text) { InformationBox(text, this); });
}

void CMailEditDlg::Show(const std::string& text)
{
    MessageBox(text, MessageButtons::Ok, this);
}

bool CMailEditDlg::OnCommand(int id)
{
    switch (id) {
    case kSaveId:
        OnSave();
        return true;
    case kSendId:
        OnSend();
        return true;
    case kUploadId:
        OnUpload();
        return true;
    case RemotePictureBar::kShowPicturesId:
        // The button goes with the offer: the keys go to the body, not to
        // whichever field is next.
        editor_->GetView()->setFocus();
        if (remotePictures_)
            remotePictures_->ShowHeldBack();
        return true;
    default:
        // OK and Cancel end the dialog; anything else (the unbound "选择",
        // the editor's focus notice) stops here instead of reaching the
        // window the dialog was opened from.
        CBackdropDialog::OnCommand(id);
        return true;
    }
}

bool CMailEditDlg::OnSave()
{
    WaitCursor wait;
    MailFields fields = ReadFields();
    bool saved = Sender().Save(fields) == 1;
    SetWindowText(FindControl(this, kTimeId), fields.mailTime);
    if (saved) {
        unchanged_ = ReadFields();
        DropUnsentCopy();
    }
    return saved;
}

bool CMailEditDlg::HasUnsavedChanges() const
{
    if (!editor_)
        return false;
    return !SameMail(ReadFields(), unchanged_);
}

// Whether the dialog may end now: nothing to lose, or the user said what to
// do with the changes. A failed save keeps the dialog open, with its message.
bool CMailEditDlg::MayEnd()
{
    if (!HasUnsavedChanges())
        return true;
    switch (
        MessageBox(FromUtf8("邮件已修改，是否保存？"), MessageButtons::SaveDiscardCancel, this)) {
    case MessageAnswer::Yes:
        return OnSave();
    case MessageAnswer::No:
        return true;
    default:
        return false;
    }
}

void CMailEditDlg::OnOK()
{
    if (MayEnd())
        CBackdropDialog::OnOK();
}

void CMailEditDlg::OnCancel()
{
    if (MayEnd())
        CBackdropDialog::OnCancel();
}

void CMailEditDlg::OnSend()
{
    WaitCursor wait;
    MailFields fields = ReadFields();
    SendOutcome outcome = Sender().Send(fields);
    SetWindowText(FindControl(this, kTimeId), fields.mailTime);
    if (outcome == SendOutcome::Sent || outcome == SendOutcome::AlreadySent)
        done(kDialogOk);
}

// While an upload runs the button reads "取消" and ends it.
void CMailEditDlg::OnUpload()
{
    if (transfer_ && transfer_->IsRunning()) {
        transfer_->Cancel();
        return;
    }
    AttachmentFields fields;
    fields.userName = m_strUserName;
    fields.sender = GetWindowText(FindControl(this, kSenderId));
    fields.attachment = GetAttachmentField(FindControl(this, kAttachmentId));
    fields.parent = this;
    fields.runner = transfer_.get();
    fields.session = m_pSession;
    if (UploadAttachment(fields))
        SetAttachmentField(FindControl(this, kAttachmentId), fields.attachment);
}

// However the dialog ends (sent, saved, discarded, nothing changed), the
// mail no longer needs its copy.
void CMailEditDlg::OnDestroyWindow()
{
    if (copyTimer_)
        copyTimer_->deleteLater();
    copyTimer_ = nullptr;
    DropUnsentCopy();
    unsentCopy_.reset();
    restored_.reset();
    remotePictures_.reset();
    if (pictureBar_)
        pictureBar_->deleteLater();
    pictureBar_ = nullptr;
    transfer_.reset();
    layout_.RemoveAll();
    // The strip is only attached to the layout; a second run builds a new one.
    if (toolbar_)
        toolbar_->deleteLater();
    toolbar_ = nullptr;
    transferBar_ = nullptr;
    editor_ = nullptr;
    // The body went with the layout. Its document was nearly all of a big
    // mail's memory, which goes back to the system now instead of staying
    // with the host until another mail reuses it.
    vellum::html::ReleaseFreedMemory();
}

void CMailEditDlg::resizeEvent(QResizeEvent* event)
{
    CBackdropDialog::resizeEvent(event);
    if (WindowExists())
        ArrangeRows();
}

// Escape never closes the compose dialog; Enter in a single-line field ends
// it through OK, as the dialog manager does, without saving.
void CMailEditDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    CBackdropDialog::keyPressEvent(event);
}
