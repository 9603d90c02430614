// MailSender: saving a draft and sending it, as the compose dialog's "保存"
// and "发送" buttons do, without any window. The dialog hands over the texts
// of its fields and shows what the sender reports in message boxes;
// `vellum send` builds the same fields from its options and prints the
// reports to stderr. Both therefore run the same statements in the same
// order, and leave the database in the same state after the same failure.
//
// Pictures the body names on the author's disk go into the body before a
// save or a send stores it (EmbedLocalPictures); one that cannot be read
// stops it with a message naming the file, and nothing is written.
//
// A save writes the draft in SystemMail (an insert of sender and time, then
// an update of the rest); each of its statements commits on its own, as
// every other statement of the module does. Sending saves, checks
// recipients, subject and the body's size, then stores the one shared copy in SystemMailCopy
// through a record set, adds one SystemMailNotify notice per recipient and
// marks the draft sent, all in one transaction: a send is stored whole or
// not at all, so a failed one leaves the saved draft unsent and a retry
// delivers exactly once. Marking the draft sent is the transaction's gate:
// it must change the draft from unsent to sent, so of two windows sending
// one draft at once exactly one delivers, and a save never marks a sent
// draft unsent again.
//
// The keys of new rows are the ones this session inserted (the database's
// own identity), so many senders on one database never take each other's
// drafts or copies.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class CDbSession;
class CIniDocument;

// The texts of the compose dialog's fields, host code page bytes.
struct MailFields
{
    std::string sender;     // "发信人:" (6005)
    std::string mailTime;   // "创建时间:" (6010); Insert puts the stored time here
    std::string mailTo;     // "收信人:" (6011)
    std::string subject;    // "标题" (6012)
    std::string body;       // the body editor's HTML
    std::string attachment; // "附件" (6014)
};

// How a send ended. Every outcome but Sent leaves no copy and no notice
// stored and the draft unsent; the failure has been reported. CommitFailed
// is the transaction's own step failing: its start, the draft's status or
// the commit.
enum class SendOutcome {
    SaveFailed,
    NoRecipients,
    NoSubject,
    BodyTooLarge,
    CopyFailed,
    NoticeFailed,
    CommitFailed,
    Sent,
    // The draft was marked sent by another send (see
    // MailSender::ReportIfAlreadySent); nothing was stored again.
    AlreadySent
};

// The largest body a send stores: pictures travel inside it, and every
// reader's desk holds the whole of it while the mail is open.
inline constexpr std::size_t kLargestSentBody = 16u << 20;

// The current local time as the module writes it: "%Y-%m-%d %H:%M:%S".
std::string CurrentMailTime();

// The recipients of a send: "," counts as ";", an empty item between two
// separators counts, a trailing empty item does not, nothing is trimmed.
std::vector<std::string> SplitRecipients(const std::string& mailTo);

class MailSender
{
public:
    // Reports a message the user has to read (the dialog's message box).
    using ShowMessage = std::function<void(const std::string& text)>;

    // Works on the caller's key (below 1: not stored yet) and exchange
    // record (section "."), which it updates as the dialog's own. `show`
    // gets every refusal and failure; `confirm`, when given, gets the one
    // message that reports success ("邮件已经发送"), which otherwise goes to
    // `show` as well.
    MailSender(CDbSession* session, const std::string& userName, int& key, CIniDocument& exchange,
               ShowMessage show, ShowMessage confirm = {});

    // Insert when the key is below 1, else Update. 1 when saved; a draft
    // sent meanwhile (from another window) is left as it was, with a message.
    [[nodiscard]] int Save(MailFields& fields);

    // The first save of a new mail: the insert, the key of the new row, then
    // Update. 0 when the insert failed (key unchanged) or the update did (the
    // key is the new row's; the save is told as failed, so nothing is sent
    // from a draft that does not hold what was typed).
    [[nodiscard]] int Insert(MailFields& fields);

    // Writes the fields into the draft row of the key, unless it is marked
    // sent. The exchange record gets the new values before the statement
    // runs, so it holds them even when the statement fails.
    [[nodiscard]] int Update(const MailFields& fields);

    // Save, then Deliver; a draft already sent is neither saved nor sent.
    [[nodiscard]] SendOutcome Send(MailFields& fields);

    // True when the key's draft is already marked sent, after showing
    // "邮件已经发送". A compose window only ever holds an unsent draft, so it
    // was sent since it opened: from another window on the same draft, or by
    // this window's last send whose commit went through although its answer
    // never came (the connection was lost). Saving would mark it unsent and
    // a second delivery would follow, so a retry checks this first.
    bool ReportIfAlreadySent();

    // Everything of a send after the save: the checks, the copy, the
    // notices, the draft's status and the final "邮件已经发送".
    [[nodiscard]] SendOutcome Deliver(const MailFields& fields);

    // After a delivery: the key of the stored copy and the number of notices
    // stored; -1 and 0 unless the send was committed.
    int CopyKey() const { return copyKey_; }
    int NoticeCount() const { return noticeCount_; }

private:
    [[nodiscard]] bool EmbedPictures(MailFields& fields, const char* notDone);
    [[nodiscard]] int StoreDraft(MailFields& fields);
    std::string DraftStatus();
    SendOutcome StoreSending(const MailFields& fields);
    SendOutcome StoreInTransaction(const MailFields& fields);
    [[nodiscard]] int StoreCopy(const MailFields& fields, const std::string& sendTime);
    [[nodiscard]] int StoreNotices(const MailFields& fields, const std::string& sendTime);
    [[nodiscard]] bool MarkDraftSent(long& marked);
    SendOutcome DraftGone();
    SendOutcome KeepSessionError(SendOutcome outcome);
    int ShowSessionError();
    void ConfirmSent();
    void WriteExchange(const MailFields& fields);

    CDbSession* session_;
    std::string userName_;
    int& key_;
    CIniDocument& exchange_;
    ShowMessage show_;
    ShowMessage confirm_;
    int copyKey_ = -1;
    int noticeCount_ = 0;
    bool draftSent_ = false; // the last save found the draft marked sent
    std::string failure_;    // a failed send step's message, shown after the rollback
};
