// CMailEditDlg: the compose dialog, "编辑邮件". The user writes recipients,
// subject and an HTML body, attaches one file through the attachment server,
// keeps the mail as a draft ("保存") and sends it ("发送"). Saving and sending
// are MailSender's; this class builds the window, moves texts between its
// fields and MailSender, and shows the messages.
//
// Enter in a single-line field, "退出" and the close box end the dialog
// without saving; when the user changed a field, the body or the attachment
// since the dialog opened or last saved, it first asks 保存 / 不保存 / 取消.
// What the dialog fills in by itself (a stored draft, a reply's quote) is
// the starting point, not a change.
//
// While the dialog has such changes it keeps a copy of them outside the
// database (UnsentMailCopy), written at most every few seconds; a crash of
// the host then loses only the last seconds of typing. Every way the dialog
// ends, and every save, removes the copy.
//
// Callers set the key (-1 for a new mail), session, user name and the
// incoming keys of the exchange record (Subject, MailTo, Attachment, Body),
// run DoModal, and afterwards read the key (0 or more: the mail was stored)
// and the exchange record's outgoing keys.
#pragma once

#include "base/IniDocument.h"
#include "mail/MailSender.h"
#include "mail/UnsentMailCopy.h"
#include "ui/BackdropDialog.h"
#include "ui/Layout.h"

#include <memory>
#include <optional>
#include <string>

class CDbSession;
class CHtmlEditor;
class CLayoutCtrl;
class CTransferBar;
class QTimer;
class RemotePictureBar;
class RemotePictures;
class TransferProgress;

class CMailEditDlg : public CBackdropDialog
{
public:
    // Command and control identifiers.
    enum : int {
        kSaveId = 6003,
        kSendId = 6004,
        kSenderId = 6005,
        kChooseId = 6007,
        kTimeId = 6010,
        kMailToId = 6011,
        kSubjectId = 6012,
        kBodyId = 6013,
        kAttachmentId = 6014,
        kUploadId = 6015,
    };
    static constexpr int kWidth = 800;
    static constexpr int kHeight = 600;

    explicit CMailEditDlg(QWidget* parent = nullptr);
    ~CMailEditDlg() override;

    int m_nKeyId = -1; // KeyId in SystemMail; below 1: not stored yet
    CDbSession* m_pSession = nullptr;
    std::string m_strUserName;
    CIniDocument m_Exchange; // exchange record, section "."

    bool OnCommand(int id) override;

    // The body editor, the layout and the transfer bar while the window
    // exists (null before and after).
    CHtmlEditor* GetEditor() const { return editor_; }
    CLayout& GetLayout() { return layout_; }
    CTransferBar* GetTransferBar() const { return transferBar_; }
    RemotePictureBar* GetPictureBar() const { return pictureBar_; }
    RemotePictures* GetRemotePictures() const { return remotePictures_.get(); }

    // True when a field, the body or the attachment differs from what the
    // dialog was opened with or last saved.
    bool HasUnsavedChanges() const;

    // Opens the dialog on a mail the host lost in a crash instead of on the
    // key's stored draft; call before DoModal. What it holds counts as a
    // change, so closing the dialog still asks before it drops the mail.
    void RestoreUnsentMail(const UnsentMail& mail);

    // How often the copy of an unsaved mail is brought up to date.
    static constexpr int kUnsentCopyIntervalMs = 5000;

protected:
    void OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroyWindow() override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildRows();
    void ArrangeRows();
    void FillFields();
    MailFields ReadFields() const;
    MailFields ReadTextFields() const;
    MailFields ReadFieldsForCopy();
    void WriteFields(const MailFields& fields);
    MailSender Sender();
    bool OnSave();
    bool MayEnd();
    void OnSend();
    void OnUpload();
    void Show(const std::string& text);
    void KeepUnsentCopy();
    void DropUnsentCopy();

    CLayout layout_;
    CLayoutCtrl* toolbar_ = nullptr;
    CHtmlEditor* editor_ = nullptr;
    CTransferBar* transferBar_ = nullptr;
    RemotePictureBar* pictureBar_ = nullptr;
    std::unique_ptr<TransferProgress> transfer_;
    std::unique_ptr<RemotePictures> remotePictures_;
    MailFields unchanged_; // what the fields held when opened or last saved
    std::optional<UnsentMail> restored_;
    std::unique_ptr<UnsentMailCopy> unsentCopy_;
    std::optional<MailFields> copied_; // what the copy on disk holds
    std::uint64_t bodyStamp_ = 0;      // the editor's stamp when bodyRead_ was read
    std::string bodyRead_;
    QTimer* copyTimer_ = nullptr;
};
