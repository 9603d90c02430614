// TransferProgress: runs an attachment transfer's request while its dialog
// stays alive on screen. The request runs on a worker thread; the dialog's
// thread meanwhile keeps painting, moves the transfer bar as bytes go out
// and come in, and throws away every key, click and close of the dialog, so
// nothing can be changed or started until the transfer has ended. The
// transfer itself (messages, files, the wait cursor) stays on the dialog's
// thread, before and after the request.
#pragma once

#include "mail/AttachmentTransfer.h"

#include <QObject>

class CTransferBar;

class TransferProgress : public QObject, public TransferRunner
{
public:
    // The bar is shown while a request runs and hidden afterwards.
    TransferProgress(QWidget& dialog, CTransferBar& bar);

    void Run(CHttpClient& client, const std::string& method, const std::string& url) override;

    // True while a request runs.
    bool IsRunning() const { return running_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& dialog_;
    CTransferBar& bar_;
    bool running_ = false;
};
