// The worker thread touches nothing but the transfer's own objects (the
// client, the form) and two atomic counters;
// the bar reads the counters from a timer on the dialog's thread. A cancel
// signals the client's abort event, which ends a connect, a wait for the
// server and a transfer in full flow alike. Opening a new socket resets that
// event, so the timer signals it again until the worker has finished: a
// cancel that came just before cannot be lost.
#include "mail/TransferProgress.h"

#include "mail/TransferBar.h"
#include "net/HttpClient.h"
#include "platform/text/CodePage.h"
#include "platform/ui/QtText.h"

#include <QAbstractButton>
#include <QEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>

#include <atomic>
#include <thread>

namespace {

constexpr int kRefreshMilliseconds = 50;

// Bytes done and expected in the phase the request is in: the body going
// out, then the response coming in.
struct Counters
{
    std::atomic<long long> done{0};
    std::atomic<long long> total{0};

    void Take(const CHttpClient& client)
    {
        if (client.m_bytesReceived > 0 || client.m_state >= CHttpClient::kReceivingHead) {
            done = client.m_bytesReceived;
            total = client.m_contentLength;
        } else {
            done = client.m_bodyBytesSent;
            total = client.m_bodyLength;
        }
    }
};

bool EndsTheDialog(const QEvent* event)
{
    if (event->type() == QEvent::Close)
        return true;
    if (event->type() != QEvent::KeyPress)
        return false;
    int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

} // namespace

TransferProgress::TransferProgress(QWidget& dialog, CTransferBar& bar, QAbstractButton& button,
                                   std::vector<QWidget*> locked)
    : dialog_(dialog), bar_(bar), button_(button), locked_(std::move(locked))
{
}

RequestOutcome TransferProgress::Run(CHttpClient& client, const std::function<int()>& work)
{
    Counters counters;
    client.m_onProgress = [&counters](const CHttpClient& c) { counters.Take(c); };
    client_ = &client;
    cancelled_ = false;
    Lock();
    bar_.SetProgress(0, 0); // unknown until the body is built
    bar_.show();
    bar_.raise();

    QEventLoop loop;
    std::atomic<int> result{0};
    std::thread worker([&] {
        result = work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, [&] {
        bar_.SetProgress(counters.done, counters.total);
        if (cancelled_)
            client.m_abortEvent.Signal();
    });
    refresh.start(kRefreshMilliseconds);
    // A quit posted before the loop started waits in the queue, so the loop
    // cannot miss the end of a short request.
    loop.exec();
    worker.join();

    bar_.hide();
    Unlock();
    client.m_onProgress = nullptr;
    client_ = nullptr;
    return {result.load(), cancelled_};
}

void TransferProgress::Cancel()
{
    if (!client_)
        return;
    cancelled_ = true;
    client_->m_abortEvent.Signal();
}

void TransferProgress::Lock()
{
    wasEnabled_.clear();
    for (QWidget* widget : locked_) {
        wasEnabled_.push_back(widget->isEnabled());
        widget->setEnabled(false);
    }
    caption_ = button_.text();
    button_.setText(vellum::ui::ToQString(vellum::text::FromUtf8("取消")));
    dialog_.installEventFilter(this);
}

void TransferProgress::Unlock()
{
    dialog_.removeEventFilter(this);
    for (size_t i = 0; i < locked_.size(); ++i)
        locked_[i]->setEnabled(wasEnabled_[i]);
    button_.setText(caption_);
}

// Keys and closes reach the dialog after the field that had them let them
// pass (a line edit passes Enter on), so the dialog is the one place to
// hold them back.
bool TransferProgress::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &dialog_ || !EndsTheDialog(event))
        return false;
    event->ignore();
    return true;
}
