// The worker thread touches nothing but the client and two atomic counters;
// the bar reads the counters from a timer on the dialog's thread. Input is
// filtered for the whole application while the request runs (a modal
// dialog's parents take none anyway), and only for the dialog's own
// windows, so paint, timer and posted events all go on.
#include "mail/TransferProgress.h"

#include "mail/TransferBar.h"
#include "net/HttpClient.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <thread>

namespace {

constexpr int kRefreshMilliseconds = 50;

bool IsInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::InputMethod:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

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

} // namespace

TransferProgress::TransferProgress(QWidget& dialog, CTransferBar& bar) : dialog_(dialog), bar_(bar)
{
}

void TransferProgress::Run(CHttpClient& client, const std::string& method, const std::string& url)
{
    Counters counters;
    client.m_onProgress = [&counters](const CHttpClient& c) { counters.Take(c); };
    bar_.SetProgress(0, client.m_bodyLength);
    bar_.show();
    bar_.raise();
    running_ = true;
    qApp->installEventFilter(this);

    QEventLoop loop;
    std::thread worker([&] {
        client.Request(method, url);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout,
                     [&] { bar_.SetProgress(counters.done, counters.total); });
    refresh.start(kRefreshMilliseconds);
    // A quit posted before the loop started waits in the queue, so the loop
    // cannot miss the end of a short request.
    loop.exec();
    worker.join();

    qApp->removeEventFilter(this);
    running_ = false;
    client.m_onProgress = nullptr;
    bar_.hide();
}

bool TransferProgress::eventFilter(QObject* watched, QEvent* event)
{
    if (!running_ || !IsInput(event->type()))
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget && (widget == &dialog_ || dialog_.isAncestorOf(widget));
}
