// CMailReadDlg: the read dialog, "阅读邮件". It shows one stored mail (a
// delivered copy or a draft) read-only, downloads its attachment, and opens
// the compose dialog for a reply ("回复") or a forward ("转发") with the mail
// quoted. It never changes the database itself.
//
// Callers set key, table ("SystemMailCopy" or "SystemMail"), user name and
// session, then run DoModal; the result is 1 when a reply or forward closed
// the dialog.
#pragma once

#include "ui/BackdropDialog.h"
#include "ui/Layout.h"

#include <memory>
#include <string>

class CDbSession;
class CHtmlViewerWnd;
class CLayoutCtrl;
class CTransferBar;
class RemotePictureBar;
class RemotePictures;
class TransferProgress;

class CMailReadDlg : public CBackdropDialog
{
public:
    // Command and control identifiers.
    enum : int {
        kForwardId = 6001,
        kReplyId = 6002,
        kSenderId = 6003,
        kTimeId = 6005,
        kMailToId = 6006,
        kSubjectId = 6007,
        kBodyId = 6008,
        kAttachmentId = 6009,
        kDownloadId = 6011,
    };
    static constexpr int kWidth = 800;
    static constexpr int kHeight = 600;

    explicit CMailReadDlg(QWidget* parent = nullptr);
    ~CMailReadDlg() override;

    int m_nKeyId = -1;
    std::string m_strTable;
    std::string m_strUserName;
    CDbSession* m_pSession = nullptr;

    bool OnCommand(int id) override;

    // The body view, the layout, the bars and the remote pictures while the
    // window exists.
    CHtmlViewerWnd* GetViewer() const { return viewer_; }
    CLayout& GetLayout() { return layout_; }
    CTransferBar* GetTransferBar() const { return transferBar_; }
    RemotePictureBar* GetPictureBar() const { return pictureBar_; }
    RemotePictures* GetRemotePictures() const { return remotePictures_.get(); }

protected:
    void OnInitDialog() override;
    void OnDestroyWindow() override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class AnswerKind { Reply, Forward };

    void BuildRows();
    void ArrangeRows();
    void LoadMail();
    void OpenAnswer(AnswerKind kind);
    void OnDownload();
    void PlaceTransferBar();
    void Show(const std::string& text);

    CLayout layout_;
    CLayoutCtrl* toolbar_ = nullptr;
    CHtmlViewerWnd* viewer_ = nullptr;
    CTransferBar* transferBar_ = nullptr;
    RemotePictureBar* pictureBar_ = nullptr;
    std::unique_ptr<TransferProgress> transfer_;
    std::unique_ptr<RemotePictures> remotePictures_;
};
