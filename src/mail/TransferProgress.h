// TransferProgress: runs an attachment transfer's work while its dialog
// keeps answering. The work (reading the file, the request) runs on a worker
// thread; the dialog's thread meanwhile paints, takes typing in the fields
// the transfer does not touch, moves the transfer bar as bytes go out and
// come in, and turns the transfer button ("上传", "下载") into "取消". What
// would clash with the transfer is locked until it ends: the toolbar, the
// attachment field, and every way of closing the dialog (close box, Enter,
// Escape). Messages and the file dialog stay on the dialog's thread, before
// and after the work.
#pragma once

#include "mail/AttachmentTransfer.h"

#include <QObject>
#include <QString>

#include <vector>

class CTransferBar;
class QAbstractButton;
class QWidget;

class TransferProgress : public QObject, public TransferRunner
{
public:
    // The bar is shown while a request runs and hidden afterwards; the
    // widgets in `locked` are disabled meanwhile.
    TransferProgress(QWidget& dialog, CTransferBar& bar, QAbstractButton& button,
                     std::vector<QWidget*> locked);

    RequestOutcome Run(CHttpClient& client, const std::function<int()>& work) override;

    bool IsRunning() const { return client_ != nullptr; }

    // Ends the running request within a moment (the dialog's button calls it
    // while it reads "取消"); nothing happens when none runs.
    void Cancel();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Lock();
    void Unlock();

    QWidget& dialog_;
    CTransferBar& bar_;
    QAbstractButton& button_;
    std::vector<QWidget*> locked_;
    std::vector<bool> wasEnabled_;
    QString caption_; // the button's own, while it reads "取消"
    CHttpClient* client_ = nullptr;
    bool cancelled_ = false;
};
