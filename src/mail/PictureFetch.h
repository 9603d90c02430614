// PictureFetch: fetches the pictures a mail names by http address, one
// after another on a worker thread of its own, while the dialog stays
// answering. Each picture is one GET through CHttpClient that sends no
// cookie and no credentials, waits a bounded time and takes at most
// kPictureLimit bytes; the bytes are decoded on the worker, and every result
// reaches the owner on the thread that created the fetch, as it comes. A
// failure ends that picture only. Destroying the fetch cancels it and waits
// for the worker, which a cancel ends within a moment.
#pragma once

#include <QImage>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CHttpClient;

class PictureFetch : public QObject
{
public:
    static constexpr long long kPictureLimit = 5LL << 20;
    // However the server dawdles (a connect nobody answers, a trickle),
    // one picture is given up after this long.
    static constexpr std::chrono::seconds kPictureTime{15};

    // The index of an address and its decoded picture, null when it could
    // not be had.
    using Delivery = std::function<void(size_t index, const QImage& pixels)>;

    // Starts at once; `deliver` runs on this thread for every address, then
    // `finished` once.
    PictureFetch(std::vector<std::string> addresses, Delivery deliver,
                 std::function<void()> finished);
    ~PictureFetch() override;

    bool IsRunning() const { return running_; }

private:
    void Work(const std::vector<std::string>& addresses);
    QImage FetchOne(const std::string& address);
    void WatchCurrent();

    Delivery deliver_;
    std::function<void()> finished_;
    std::atomic<bool> stop_{false};
    bool running_ = true;
    // The request in flight, for the watch and the cancel to abort.
    std::mutex currentMutex_;
    CHttpClient* current_ = nullptr;
    std::chrono::steady_clock::time_point currentStart_;
    QTimer watch_;
    std::thread worker_;
};
