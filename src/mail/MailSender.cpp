// The statements of a save and a send: a save as the compose dialog has
// always run it, a send as one transaction gated on the draft's status. Messages are the system's
// own texts; the database's error texts are passed on unchanged.
#include "mail/MailSender.h"

#include "base/IniDocument.h"
#include "base/TextHelpers.h"
#include "editor/LocalPictures.h"
#include "platform/text/CodePage.h"
#include "store/DbRecordset.h"
#include "store/DbSession.h"
#include "store/MailTables.h"
#include "store/SqlInsert.h"
#include "store/SqlUpdate.h"

#include <algorithm>
#include <ctime>

using vellum::text::FromUtf8;

namespace {

constexpr const char* kCopyQuery = "select * from systemMailCopy";

} // namespace

std::string CurrentMailTime()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::vector<std::string> SplitRecipients(const std::string& mailTo)
{
    std::string list = mailTo;
    std::replace(list.begin(), list.end(), ',', ';');
    std::vector<std::string> items;
    SplitString(list, ';', items);
    return items;
}

MailSender::MailSender(CDbSession* session, const std::string& userName, int& key,
                       CIniDocument& exchange, ShowMessage show, ShowMessage confirm)
    : session_(session), userName_(userName), key_(key), exchange_(exchange),
      show_(std::move(show)), confirm_(std::move(confirm))
{
}

int MailSender::Save(MailFields& fields)
{
    if (!EmbedPictures(fields, "邮件没有保存"))
        return 0;
    int saved = StoreDraft(fields);
    if (draftSent_)
        show_(FromUtf8("邮件已经发送，这次的修改没有保存"));
    return saved;
}

int MailSender::StoreDraft(MailFields& fields)
{
    draftSent_ = false;
    return key_ < 1 ? Insert(fields) : Update(fields);
}

int MailSender::Insert(MailFields& fields)
{
    if (!session_)
        return 0;
    std::string now = CurrentMailTime();
    CSqlInsert insert;
    insert.SetTable(kSystemMail);
    insert.SetString("MailFrom", userName_.c_str());
    insert.SetString("MailTime", now.c_str());
    // The row this session just inserted, not the table's highest key:
    // another writer may have added a draft in between. The insert and the
    // read of its key share a transaction, since behind a pooler in
    // transaction mode two statements outside one may run on two server
    // connections, and the second would not know the first one's key.
    // A key the database cannot tell fails the save: the row goes with the
    // rollback, and the dialog keeps its changes for the question before
    // closing. Messages come after the rollback, so no lock is held while
    // the user reads them.
    if (!session_->BeginTrans())
        return ShowSessionError();
    int key = -1;
    std::string failure;
    if (!session_->Execute(insert.Build()))
        failure = session_->GetLastErrorText();
    else if ((key = session_->GetLastInsertKeyId(kSystemMail)) < 1)
        failure =
            FromUtf8("无法得知新邮件的编号，邮件没有保存") + "\r\n" + session_->GetLastErrorText();
    else if (!session_->CommitTrans())
        failure = session_->GetLastErrorText();
    if (!failure.empty()) {
        session_->RollbackTrans();
        show_(failure);
        return 0;
    }
    fields.mailTime = now;
    key_ = key;
    return Update(fields);
}

// A save never touches a sent draft: another window on the same draft may
// have sent it, and writing Status 0 would list it as a draft again and let
// it be delivered twice. Zero rows changed therefore means sent (or gone).
int MailSender::Update(const MailFields& fields)
{
    if (!session_)
        return 0;
    CSqlUpdate update;
    update.SetTable(kSystemMail);
    update.AddWhere(("KeyId=" + std::to_string(key_)).c_str());
    update.AddWhere("(Status is null or Status<>1)");
    update.SetInt("Status", 0);
    update.SetString("Subject", fields.subject.c_str());
    update.SetString("MailTo", fields.mailTo.c_str());
    update.SetString("Body", fields.body.c_str());
    update.SetString("Attachment", fields.attachment.c_str());
    WriteExchange(fields);
    long changed = -1;
    if (!session_->Execute(update.Build(), &changed)) {
        show_(session_->GetLastErrorText());
        return 0;
    }
    if (changed != 0)
        return 1;
    if (DraftStatus() == "1") {
        draftSent_ = true;
        return 0;
    }
    show_(FromUtf8("这封邮件已经不在草稿箱中，这次的修改没有保存"));
    return 0;
}

// Before anything is stored, so that a picture that cannot travel stops the
// save or send with the draft as it was, and the person can mend the body.
bool MailSender::EmbedPictures(MailFields& fields, const char* notDone)
{
    std::string unreadable;
    if (EmbedLocalPictures(fields.body, unreadable))
        return true;
    show_(FromUtf8("无法读取邮件中的图片文件:\r\n") + unreadable + "\r\n" + FromUtf8(notDone));
    return false;
}

// Callers copy every key of section "." into their grid row, so "'@'" (the
// drafts grid's attachment mark column) is only ever set, never cleared.
void MailSender::WriteExchange(const MailFields& fields)
{
    exchange_.Set(".", "Subject", fields.subject);
    exchange_.Set(".", "MailTo", fields.mailTo);
    exchange_.Set(".", "MailTime", fields.mailTime);
    exchange_.SetInt(".", "KeyId", key_);
    exchange_.Set(".", "Attachment", fields.attachment);
    if (!fields.attachment.empty())
        exchange_.Set(".", "'@'", "@");
}

SendOutcome MailSender::Send(MailFields& fields)
{
    if (ReportIfAlreadySent())
        return SendOutcome::AlreadySent;
    if (!EmbedPictures(fields, "邮件没有发送"))
        return SendOutcome::SaveFailed;
    if (StoreDraft(fields) >= 1)
        return Deliver(fields);
    if (!draftSent_)
        return SendOutcome::SaveFailed;
    ConfirmSent();
    return SendOutcome::AlreadySent;
}

// A status that cannot be read counts as unsent: the save that follows
// then reports what is wrong with the session.
bool MailSender::ReportIfAlreadySent()
{
    if (!session_ || key_ < 1 || DraftStatus() != "1")
        return false;
    ConfirmSent();
    return true;
}

std::string MailSender::DraftStatus()
{
    CDbRecordset draft;
    draft.Attach(session_);
    std::string query = "select Status from SystemMail where KeyId=" + std::to_string(key_);
    if (!draft.Open(query.c_str()) || draft.IsEOF())
        return {};
    const char* status = draft.GetFieldValue("Status");
    return status ? status : "";
}

SendOutcome MailSender::Deliver(const MailFields& fields)
{
    copyKey_ = -1;
    noticeCount_ = 0;
    if (!session_)
        return SendOutcome::SaveFailed;
    if (fields.mailTo.empty()) {
        show_(FromUtf8("请输入收件人名称"));
        return SendOutcome::NoRecipients;
    }
    if (fields.subject.empty()) {
        show_(FromUtf8("请输入邮件标题"));
        return SendOutcome::NoSubject;
    }
    if (fields.body.size() > kLargestSentBody) {
        show_(FromUtf8("邮件正文连同其中的图片超过 16 MB，没有发送。请删去或缩小一些图片。"));
        return SendOutcome::BodyTooLarge;
    }
    SendOutcome outcome = StoreSending(fields);
    if (outcome != SendOutcome::Sent) {
        copyKey_ = -1;
        noticeCount_ = 0;
    }
    if (outcome == SendOutcome::Sent || outcome == SendOutcome::AlreadySent)
        ConfirmSent();
    return outcome;
}

// The draft's status, the copy and the notices go in one transaction. The
// status goes first and must change from unsent to sent: that update is the
// gate two windows (or two `vellum send`) on one draft meet at, since the
// database lets one of them change the row and shows the other a sent
// draft once the first commits. A step that fails keeps its message; the
// rollback takes back what the steps before it wrote (after a lost
// connection the server has already done so), and only then is the message
// shown, so no lock or pooled connection waits on the user.
SendOutcome MailSender::StoreSending(const MailFields& fields)
{
    if (!session_->BeginTrans()) {
        ShowSessionError();
        return SendOutcome::CommitFailed;
    }
    failure_.clear();
    SendOutcome outcome = StoreInTransaction(fields);
    if (outcome == SendOutcome::Sent)
        return outcome;
    session_->RollbackTrans();
    if (!failure_.empty())
        show_(failure_);
    return outcome;
}

SendOutcome MailSender::StoreInTransaction(const MailFields& fields)
{
    long marked = -1;
    if (!MarkDraftSent(marked))
        return SendOutcome::CommitFailed;
    if (marked == 0)
        return DraftStatus() == "1" ? SendOutcome::AlreadySent : DraftGone();
    // One time for the copy and every notice; the draft keeps its own.
    std::string sendTime = CurrentMailTime();
    if (!StoreCopy(fields, sendTime))
        return SendOutcome::CopyFailed;
    if (!StoreNotices(fields, sendTime))
        return SendOutcome::NoticeFailed;
    if (!session_->CommitTrans())
        return KeepSessionError(SendOutcome::CommitFailed);
    return SendOutcome::Sent;
}

SendOutcome MailSender::DraftGone()
{
    failure_ = FromUtf8("这封邮件已经不在草稿箱中，没有发送");
    return SendOutcome::CommitFailed;
}

// The copy goes in through an updatable record set on the whole table, as
// it always has; the field values are not checked one by one because Update
// reports whatever went wrong with them. The record set only adds a row and
// never reads one, so it asks for none of the table's rows beyond the first.
int MailSender::StoreCopy(const MailFields& fields, const std::string& sendTime)
{
    CDbRecordset copy;
    copy.Attach(session_);
    copy.SetMaxRecords(1);
    if (!copy.Open(kCopyQuery)) {
        failure_ = std::string(kCopyQuery) + "\r\n" + copy.GetLastErrorText();
        return 0;
    }
    copy.AddNew();
    copy.SetFieldValue("MailFrom", userName_.c_str());
    copy.SetFieldValue("Subject", fields.subject.c_str());
    copy.SetFieldValue("MailTo", fields.mailTo.c_str());
    copy.SetFieldValue("MailTime", sendTime.c_str());
    copy.SetFieldValue("Body", fields.body.c_str());
    copy.SetFieldValue("Attachment", fields.attachment.c_str());
    if (!copy.Update()) {
        failure_ = std::string(kCopyQuery) + "\r\n" + copy.GetLastErrorText();
        return 0;
    }
    copy.Close();
    copyKey_ = session_->GetLastInsertKeyId(kSystemMailCopy);
    if (copyKey_ < 1) {
        failure_ = session_->GetLastErrorText();
        return 0;
    }
    return 1;
}

// The first failing notice ends the loop with its message; the whole send
// is then taken back, so no recipient gets a notice of a mail not sent.
int MailSender::StoreNotices(const MailFields& fields, const std::string& sendTime)
{
    CSqlInsert notice;
    for (const std::string& recipient : SplitRecipients(fields.mailTo)) {
        notice.Clear();
        notice.SetTable(kSystemMailNotify);
        notice.SetString("MailFrom", userName_.c_str());
        notice.SetString("MailTo", recipient.c_str());
        notice.SetString("Subject", fields.subject.c_str());
        notice.SetInt("MailId", copyKey_);
        notice.SetString("MailTime", sendTime.c_str());
        notice.SetInt("Status", 0);
        if (!session_->Execute(notice.Build())) {
            KeepSessionError(SendOutcome::NoticeFailed);
            return 0;
        }
        ++noticeCount_;
    }
    return 1;
}

bool MailSender::MarkDraftSent(long& marked)
{
    std::string gate =
        "update systemMail set status=1 where keyid = " + std::to_string(key_) + " and status=0";
    if (session_->Execute(gate.c_str(), &marked))
        return true;
    KeepSessionError(SendOutcome::CommitFailed);
    return false;
}

SendOutcome MailSender::KeepSessionError(SendOutcome outcome)
{
    failure_ = session_->GetLastErrorText();
    return outcome;
}

void MailSender::ConfirmSent()
{
    (confirm_ ? confirm_ : show_)(FromUtf8("邮件已经发送"));
}

// Shows the session's last error text; 0, for the caller's failure path.
int MailSender::ShowSessionError()
{
    show_(session_->GetLastErrorText());
    return 0;
}
