// One client connection, from accept to close: it reads request heads and
// answers them in order (so pipelined and keep-alive requests work), with
// a total time limit on each head, and streams uploads into and downloads
// out of the store. All its work runs on the connection's strand, except
// the calls to a database store: those go to the StoreWorkers, and the
// connection resumes on its strand with their result, with no other
// operation of its own pending meanwhile. When the server holds a
// certificate, the connection is a TLS session over the TCP stream, set up
// before the first head is read.
#pragma once

#include "AddressCounts.h"
#include "AttachmentStore.h"
#include "FeedHub.h"
#include "ServerMetrics.h"
#include "ServerOptions.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class PostgresStore;
class RequestReader;
struct Asker;
class StoreWorkers;
class StoredFile;
class UploadForm;

struct ServerContext
{
    const ServerOptions& options;
    AttachmentStore& store;
    boost::asio::ssl::context* tls;               // the certificate and key; null: clear text
    mutable std::atomic<unsigned> connections{0}; // open right now
    mutable AddressCounts addresses;              // admitted, per client address
    mutable ServerMetrics metrics;
    StoreWorkers* workers = nullptr;  // a database store's; none for a folder
    PostgresStore* tickets = nullptr; // per-user access: who holds a ticket
    FeedHub* feed = nullptr;          // the live feed, on a database store
};

class Connection : public std::enable_shared_from_this<Connection>, public FeedHub::Subscriber
{
public:
    // The connection's address has been admitted to context.addresses;
    // the connection leaves it when it ends.
    Connection(boost::asio::ip::tcp::socket socket, std::string address,
               const ServerContext& context);
    ~Connection() override;

    void Start();

    // A subscribed desk's user got mail (any thread).
    void Announce() override;

private:
    using error_code = boost::beast::error_code;

    // What happens once an answer has been sent.
    enum class Ending {
        NextRequest, // when the request allows keep-alive, else Close
        Close,
        Linger, // the client may still be sending: drain a while, then close
    };

    // Runs `operation` on the stream the bytes go through: the TLS session
    // when there is one, else the TCP stream itself.
    template <class Operation> void OnWire(Operation&& operation)
    {
        if (m_tls)
            operation(*m_tls);
        else
            operation(m_stream);
    }

    void ReadHead();
    void OnHead(error_code ec);
    void Route();
    StoreFigures StoreFiguresNow() const;
    void RunOnStore(std::function<void(bool inTime)> work, std::function<void()> then);
    void FindAsker(std::function<void(const Asker&)> then);
    void RefuseAsker(const Asker& asker, const char* refusal, Ending ending);
    void Subscribe(const std::string& userName);
    void JoinFeed(const std::string& user);
    void StartFeed();
    void QueueFeed(const char* event);
    void WriteFeed();
    void BeatHeart();
    void CheckUploader();
    void CheckDownloader(const std::string& name, Ending ending);
    void Download(const std::string& name, Ending ending);
    void SendHead(const std::string& name, Ending ending);
    void Log(unsigned status, std::string_view fileName);
    void Upload(const std::string& owner);
    void ReadBody();
    void FinishUpload();
    void OnBody(error_code ec);
    void Reply(unsigned status, std::string text, Ending ending, std::string_view logName = {});
    void AfterReply(Ending ending);
    void SendFile();
    void SendByDescriptor();
    void WaitUntilWritable();
    void SendByReading();
    void SendPiece();
    void Linger();
    void DrainSome();
    void Close();
    void Abort();
    bool KeepsAlive() const;

    const ServerContext& m_context;
    boost::beast::tcp_stream m_stream;
    std::unique_ptr<boost::beast::ssl_stream<boost::beast::tcp_stream&>> m_tls;
    boost::asio::steady_timer m_stall; // guards waits outside the stream
    boost::beast::flat_buffer m_buffer;
    std::string m_address;
    std::unique_ptr<RequestReader> m_request;
    std::unique_ptr<UploadForm> m_upload;
    std::unique_ptr<StoredFile> m_file;
    StoreFailure m_failure = StoreFailure::None;
    long m_read = 0; // bytes the last piece of a download brought
    std::string m_responseHead;
    std::string m_piece; // one piece of a download read from the store
    uint64_t m_sent = 0;
    bool m_keepAfterFile = false;
    std::chrono::steady_clock::time_point m_lingerEnd;
    // A feed subscriber's: its user, what waits to be written and what is
    // being written.
    std::string m_feedUser;
    std::string m_feedWaiting;
    std::string m_feedWriting;
};
