// Limits and why they sit where they do:
// - a head has kHeadLimit bytes and headTimeout seconds in total, set once
//   before it is read, so a client trickling bytes cannot stretch either;
//   a head too large gets 431, one too slow is dropped without a word;
// - an upload whose Content-Length already exceeds the limit gets 413
//   before any of its body is read; a chunked one is stopped with 413 at
//   the byte that passes the limit;
// - after a refusal the client may still be sending its body, so the
//   connection drains it for a while before closing: closing with unread
//   bytes would reset the connection and could destroy the answer before
//   the client has read it.
// Downloads from a folder go out with sendfile, other stores' in pieces;
// under TLS every download goes in pieces, since the bytes must pass
// through the session's encryption.
#include "Connection.h"

#include "AttachmentStore.h"
#include "MultipartReader.h"
#include "RequestLog.h"
#include "RequestReader.h"
#include "StoreWorkers.h"
#include "StoredName.h"
#include "TicketCheck.h"
#include "UploadForm.h"
#include "base/RequestParams.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>

#include <cerrno>
#include <sstream>
#include <sys/sendfile.h>

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;

namespace {

constexpr size_t kBufferLimit = kHeadLimit + 8 * 1024;
constexpr size_t kDrainPiece = 16 * 1024;
constexpr size_t kBodyPiece = 64 * 1024;
constexpr size_t kSendfilePiece = 4 * 1024 * 1024;
constexpr uint64_t kSendBeforeYield = 16 * 1024 * 1024;
constexpr size_t kReadPiece = 256 * 1024;
constexpr std::chrono::seconds kLingerTime{10};
constexpr std::chrono::seconds kLingerIdle{5};
constexpr char kUnavailable[] = "the attachment store cannot be reached now; try again shortly\r\n";
constexpr std::chrono::seconds kHeartbeat{25};
constexpr char kFeedHead[] = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n"
                             "Cache-Control: no-store\r\nConnection: close\r\n\r\n: listening\n\n";
constexpr char kMailEvent[] = "data: mail\n\n";
constexpr char kNoTicket[] = "upload refused: no valid ticket of a user of the database\r\n";

} // namespace

Connection::Connection(tcp::socket socket, std::string address, const ServerContext& context)
    : m_context(context), m_stream(std::move(socket)), m_stall(m_stream.get_executor()),
      m_buffer(kBufferLimit), m_address(std::move(address))
{
    if (context.tls)
        m_tls = std::make_unique<beast::ssl_stream<beast::tcp_stream&>>(m_stream, *context.tls);
    ++m_context.connections;
}

Connection::~Connection()
{
    if (!m_feedUser.empty())
        m_context.feed->Unsubscribe(m_feedUser, this);
    --m_context.connections;
    m_context.addresses.Leave(m_address);
}

void Connection::Start()
{
    net::dispatch(m_stream.get_executor(), [self = shared_from_this()] {
        if (!self->m_tls)
            return self->ReadHead();
        // The handshake counts against the first head's time.
        self->m_stream.expires_after(self->m_context.options.headTimeout);
        self->m_tls->async_handshake(net::ssl::stream_base::server, [self](error_code ec) {
            if (ec)
                return self->Close();
            self->ReadHead();
        });
    });
}

void Connection::ReadHead()
{
    // An idle connection keeps no more buffer than the bytes it holds.
    m_buffer.shrink_to_fit();
    m_request = std::make_unique<RequestReader>();
    m_stream.expires_after(m_context.options.headTimeout);
    OnWire([this](auto& wire) {
        http::async_read_header(
            wire, m_buffer, *m_request,
            [self = shared_from_this()](error_code ec, size_t) { self->OnHead(ec); });
    });
}

void Connection::OnHead(error_code ec)
{
    if (ec == http::error::header_limit || ec == http::error::buffer_overflow)
        return Reply(431,
                     "the request head is larger than " + std::to_string(kHeadLimit) + " bytes\r\n",
                     Ending::Linger);
    if (ec == http::error::end_of_stream || ec == beast::error::timeout ||
        ec == net::error::operation_aborted || ec == net::error::connection_reset ||
        ec == net::error::eof || ec == net::ssl::error::stream_truncated)
        return Close();
    if (ec)
        return Reply(400, "bad request: " + ec.message() + "\r\n", Ending::Close);
    Route();
}

bool Connection::KeepsAlive() const
{
    return m_request && m_request->is_header_done() && m_request->keep_alive();
}

void Connection::Route()
{
    CRequestParams params;
    params.Parse(m_request->Target());
    const std::string& path = params.GetPath();
    const std::string& type = m_context.options.type;
    if (m_request->Method() == "POST" && path == "/upload" + type)
        return m_context.tickets ? CheckUploader() : Upload({});
    // A body on any other request is not read, so the connection cannot
    // carry on after the answer.
    Ending ending = m_request->is_done() ? Ending::NextRequest : Ending::Linger;
    if (m_request->Method() == "GET" && path == "/feed" && m_context.feed)
        return Subscribe(params.Get("UserName").value_or(""));
    if (m_request->Method() == "GET" && path == "/metrics")
        return Reply(200, m_context.metrics.Exposition(m_context.connections, StoreFiguresNow()),
                     ending);
    if (m_request->Method() != "GET" || path != "/download" + type)
        return Reply(404, "not found\r\n", ending);
    std::string name = params.Get("FileName").value_or("");
    if (!IsStoredName(name))
        return Reply(404, "file not found\r\n", ending, name);
    if (m_context.tickets)
        return CheckDownloader(name, ending);
    Download(name, ending);
}

// Looks the request's ticket up on the store's workers, then carries on
// with who holds it.
void Connection::FindAsker(std::function<void(const Asker&)> then)
{
    auto asker = std::make_shared<Asker>();
    RunOnStore(
        [this, asker](bool inTime) {
            if (inTime)
                *asker = Uploader(*m_context.tickets, m_request->Ticket());
            else
                asker->access = Access::Unknown;
        },
        [asker, then = std::move(then)] { then(*asker); });
}

void Connection::RefuseAsker(const Asker& asker, const char* refusal, Ending ending)
{
    if (asker.access == Access::Unknown)
        return Reply(503, kUnavailable, ending);
    Reply(403, refusal, ending);
}

// The feed's subscriber is the ticket's user under per-user access, else the
// user the desk names.
void Connection::Subscribe(const std::string& userName)
{
    if (!m_context.tickets)
        return JoinFeed(userName);
    FindAsker([this](const Asker& asker) {
        if (asker.access == Access::Granted)
            return JoinFeed(asker.user);
        RefuseAsker(asker, "feed refused: no valid ticket of a user of the database\r\n",
                    Ending::Close);
    });
}

// The head goes out only once the hub listens for the user, so an
// announcement the desk makes right after it cannot be missed.
void Connection::JoinFeed(const std::string& user)
{
    if (user.empty())
        return Reply(400, "feed refused: no user name\r\n", Ending::Close);
    m_feedUser = user;
    m_context.feed->Subscribe(user, weak_from_this(), [self = shared_from_this()](bool listening) {
        net::post(self->m_stream.get_executor(), [self, listening] {
            if (!listening)
                return self->Reply(503, kUnavailable, Ending::Close);
            self->StartFeed();
        });
    });
}

// From here on the connection only writes: events, and a comment now and
// then that finds a desk that went away without a word. Anything the desk
// sends, or its close, ends it; the request's buffers are given back, since
// thousands of desks stay subscribed.
void Connection::StartFeed()
{
    Log(200, "feed");
    m_request.reset();
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_feedWaiting = kFeedHead;
    WriteFeed();
    BeatHeart();
    m_stream.socket().async_wait(tcp::socket::wait_read,
                                 [self = shared_from_this()](error_code) { self->Close(); });
}

void Connection::Announce()
{
    net::post(m_stream.get_executor(),
              [self = shared_from_this()] { self->QueueFeed(kMailEvent); });
}

// Announcements that wait together are written once: the desk only looks.
void Connection::QueueFeed(const char* event)
{
    if (m_feedWaiting.find(event) == std::string::npos)
        m_feedWaiting += event;
    WriteFeed();
}

void Connection::WriteFeed()
{
    if (!m_feedWriting.empty() || m_feedWaiting.empty() || !m_stream.socket().is_open())
        return;
    m_feedWriting.swap(m_feedWaiting);
    m_stream.expires_after(m_context.options.idleTimeout);
    OnWire([this](auto& wire) {
        net::async_write(wire, net::buffer(m_feedWriting),
                         [self = shared_from_this()](error_code ec, size_t) {
                             self->m_feedWriting.clear();
                             if (ec)
                                 return self->Close();
                             self->m_stream.expires_never();
                             self->WriteFeed();
                         });
    });
}

void Connection::BeatHeart()
{
    m_stall.expires_after(kHeartbeat);
    m_stall.async_wait([self = shared_from_this()](error_code ec) {
        if (ec || !self->m_stream.socket().is_open())
            return;
        self->QueueFeed(":\n\n");
        self->BeatHeart();
    });
}

// Asked before the body is read, and before a client that waits for
// "100 Continue" sends it.
void Connection::CheckUploader()
{
    FindAsker([this](const Asker& asker) {
        if (asker.access == Access::Granted)
            return Upload(asker.user);
        RefuseAsker(asker, kNoTicket, m_request->is_done() ? Ending::NextRequest : Ending::Linger);
    });
}

// A file the asker may not read is refused whether or not it is stored:
// the answer must not tell which names exist.
void Connection::CheckDownloader(const std::string& name, Ending ending)
{
    auto access = std::make_shared<Access>(Access::Unknown);
    RunOnStore(
        [this, access, name](bool inTime) {
            if (inTime)
                *access = MayDownload(*m_context.tickets, m_request->Ticket(), name);
        },
        [this, access, name, ending] {
            if (*access == Access::Unknown)
                return Reply(503, kUnavailable, ending, name);
            if (*access == Access::Refused)
                return Reply(403, "download refused: this user may not read the file\r\n", ending,
                             name);
            Download(name, ending);
        });
}

StoreFigures Connection::StoreFiguresNow() const
{
    StoreFigures figures = m_context.store.Figures();
    if (m_context.workers)
        m_context.workers->AddFigures(figures);
    if (m_context.feed) {
        figures.feedSubscribers = m_context.feed->Subscribers();
        figures.feedAnnouncements = m_context.feed->Announcements();
        figures.feedReconnects = m_context.feed->Reconnects();
    }
    return figures;
}

void Connection::RunOnStore(std::function<void(bool inTime)> work, std::function<void()> then)
{
    if (!m_context.workers) {
        work(true);
        return then();
    }
    m_context.workers->Post([self = shared_from_this(), work = std::move(work),
                             then = std::move(then)](bool inTime) mutable {
        work(inTime);
        net::post(self->m_stream.get_executor(), [self, then = std::move(then)] { then(); });
    });
}

void Connection::Download(const std::string& name, Ending ending)
{
    RunOnStore(
        [this, name](bool inTime) {
            m_failure = inTime ? StoreFailure::None : StoreFailure::Unavailable;
            if (inTime)
                m_file = m_context.store.Open(name, m_failure);
        },
        [this, name, ending] {
            if (m_failure == StoreFailure::Unavailable)
                return Reply(503, kUnavailable, ending, name);
            if (!m_file)
                return Reply(404, "file not found\r\n", ending, name);
            SendHead(name, ending);
        });
}

void Connection::SendHead(const std::string& name, Ending ending)
{
    Log(200, name);
    m_keepAfterFile = ending == Ending::NextRequest && KeepsAlive();
    http::response<http::empty_body> head{http::status::ok, 11};
    head.set(http::field::content_type, "application/octet-stream");
    head.set(http::field::content_disposition, "attachment; filename=\"" + name + "\"");
    head.content_length(m_file->Size());
    head.keep_alive(m_keepAfterFile);
    std::ostringstream text;
    text << head.base();
    m_responseHead = text.str();
    m_stream.expires_after(m_context.options.idleTimeout);
    OnWire([this](auto& wire) {
        net::async_write(wire, net::buffer(m_responseHead),
                         [self = shared_from_this()](error_code ec, size_t) {
                             if (ec)
                                 return self->Close();
                             self->m_sent = 0;
                             self->SendFile();
                         });
    });
}

void Connection::SendFile()
{
    if (m_file->Descriptor() >= 0 && !m_tls)
        return SendByDescriptor();
    SendByReading();
}

void Connection::SendByDescriptor()
{
    int socket = m_stream.socket().native_handle();
    uint64_t size = m_file->Size();
    uint64_t sentNow = 0;
    while (m_sent < size) {
        if (sentNow >= kSendBeforeYield) {
            // Lets the strand's other work and the other connections run.
            net::post(m_stream.get_executor(), [self = shared_from_this()] { self->SendFile(); });
            return;
        }
        off_t offset = static_cast<off_t>(m_sent);
        size_t piece = static_cast<size_t>(std::min<uint64_t>(size - m_sent, kSendfilePiece));
        ssize_t n = ::sendfile(socket, m_file->Descriptor(), &offset, piece);
        if (n > 0) {
            m_sent += static_cast<uint64_t>(n);
            sentNow += static_cast<uint64_t>(n);
            m_context.metrics.Sent(static_cast<uint64_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return WaitUntilWritable();
        return Close(); // the client left, or the file shrank under us
    }
    m_file.reset();
    AfterReply(m_keepAfterFile ? Ending::NextRequest : Ending::Close);
}

void Connection::WaitUntilWritable()
{
    m_stall.expires_after(m_context.options.idleTimeout);
    m_stall.async_wait([self = shared_from_this()](error_code ec) {
        // The connection may have closed meanwhile; a cancel that finds no
        // socket must not throw out of the server's threads.
        error_code ignored;
        if (!ec)
            self->m_stream.socket().cancel(ignored);
    });
    m_stream.socket().async_wait(tcp::socket::wait_write,
                                 [self = shared_from_this()](error_code ec) {
                                     self->m_stall.cancel();
                                     if (ec)
                                         return self->Close();
                                     self->SendByDescriptor();
                                 });
}

void Connection::SendByReading()
{
    uint64_t size = m_file->Size();
    if (m_sent >= size) {
        m_file.reset();
        return AfterReply(m_keepAfterFile ? Ending::NextRequest : Ending::Close);
    }
    m_piece.resize(static_cast<size_t>(std::min<uint64_t>(size - m_sent, kReadPiece)));
    RunOnStore(
        [this](bool inTime) {
            m_read = inTime ? m_file->Read(m_sent, m_piece.data(), m_piece.size()) : -1;
        },
        [this] { SendPiece(); });
}

void Connection::SendPiece()
{
    if (m_read <= 0)
        return Abort(); // the length is already promised: only a cut can say it failed
    m_stream.expires_after(m_context.options.idleTimeout);
    OnWire([this](auto& wire) {
        net::async_write(wire, net::buffer(m_piece.data(), static_cast<size_t>(m_read)),
                         [self = shared_from_this()](error_code ec, size_t written) {
                             if (ec)
                                 return self->Close();
                             self->m_sent += written;
                             self->m_context.metrics.Sent(written);
                             self->SendByReading();
                         });
    });
}

void Connection::Upload(const std::string& owner)
{
    std::string boundary = MultipartReader::BoundaryOf(m_request->ContentType());
    if (boundary.empty())
        return Reply(400, "upload refused: the body is not a multipart form\r\n",
                     m_request->is_done() ? Ending::NextRequest : Ending::Linger);
    uint64_t maxSize = m_context.options.maxSize;
    boost::optional<uint64_t> length = m_request->content_length();
    if (length && *length > maxSize + UploadForm::kFormOverhead) {
        UploadAnswer answer = UploadForm::TooLarge(maxSize);
        return Reply(answer.status, answer.text, Ending::Linger);
    }
    // A database store is written only once the whole body is here, so a
    // slow client holds no connection.
    const std::string* stageFolder = m_context.workers ? &m_context.options.stageFolder : nullptr;
    m_upload = std::make_unique<UploadForm>(m_context.store, maxSize, boundary, stageFolder);
    if (!owner.empty())
        m_upload->StoreAs(owner);
    // Beast reads as much as the buffer's free capacity (at least 512
    // bytes): without room made here a body would come in tiny reads.
    m_buffer.reserve(kBodyPiece);
    m_request->SendBodyTo(m_upload.get());
    if (!m_request->ExpectsContinue() || m_request->Version() < 11)
        return ReadBody();
    auto goOn = std::make_shared<http::response<http::empty_body>>(http::status::continue_, 11);
    m_stream.expires_after(m_context.options.idleTimeout);
    OnWire([this, goOn](auto& wire) {
        http::async_write(wire, *goOn, [self = shared_from_this(), goOn](error_code ec, size_t) {
            if (ec)
                return self->Close();
            self->ReadBody();
        });
    });
}

void Connection::ReadBody()
{
    if (m_request->is_done())
        return FinishUpload();
    m_stream.expires_after(m_context.options.idleTimeout);
    OnWire([this](auto& wire) {
        http::async_read_some(wire, m_buffer, *m_request,
                              [self = shared_from_this()](error_code ec, size_t read) {
                                  self->m_context.metrics.Received(read);
                                  self->OnBody(ec);
                              });
    });
}

void Connection::FinishUpload()
{
    auto answer = std::make_shared<UploadAnswer>();
    RunOnStore(
        [this, answer](bool inTime) {
            *answer =
                inTime ? m_upload->Finish() : UploadForm::StoreFailed(StoreFailure::Unavailable);
        },
        [this, answer] {
            std::string fileName = m_upload->ClientFileName();
            m_upload.reset();
            Reply(answer->status, answer->text, Ending::NextRequest, fileName);
        });
}

void Connection::OnBody(error_code ec)
{
    if (ec == http::error::body_limit) {
        UploadAnswer answer = m_upload->Refusal();
        std::string fileName = m_upload->ClientFileName();
        m_upload.reset();
        return Reply(answer.status, answer.text, Ending::Linger, fileName);
    }
    if (ec) {
        m_upload.reset(); // the client left or broke the framing: nothing is kept
        return Close();
    }
    ReadBody();
}

void Connection::Log(unsigned status, std::string_view fileName)
{
    m_context.metrics.Answered(status);
    if (m_request && m_request->is_header_done()) {
        CRequestParams params;
        params.Parse(m_request->Target());
        LogRequest(m_address, m_request->Method(), params.GetPath(), status, fileName);
    } else {
        LogRequest(m_address, "-", "-", status, fileName);
    }
}

void Connection::Reply(unsigned status, std::string text, Ending ending, std::string_view logName)
{
    Log(status, logName);
    if (ending == Ending::NextRequest && !KeepsAlive())
        ending = Ending::Close;
    auto response =
        std::make_shared<http::response<http::string_body>>(static_cast<http::status>(status), 11);
    response->set(http::field::content_type, "text/plain");
    if (status == 503)
        response->set(http::field::retry_after, "5");
    response->body() = std::move(text);
    response->keep_alive(ending == Ending::NextRequest);
    response->prepare_payload();
    m_stream.expires_after(m_context.options.idleTimeout);
    OnWire([this, response, ending](auto& wire) {
        http::async_write(wire, *response,
                          [self = shared_from_this(), response, ending](error_code ec, size_t) {
                              if (ec)
                                  return self->Close();
                              self->AfterReply(ending);
                          });
    });
}

void Connection::AfterReply(Ending ending)
{
    if (ending == Ending::NextRequest)
        return ReadHead();
    if (ending == Ending::Linger)
        return Linger();
    Close();
}

void Connection::Linger()
{
    error_code ignored;
    m_stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
    m_lingerEnd = std::chrono::steady_clock::now() + kLingerTime;
    DrainSome();
}

void Connection::DrainSome()
{
    auto left = m_lingerEnd - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero())
        return Close();
    m_stream.expires_after(std::min<std::chrono::steady_clock::duration>(left, kLingerIdle));
    m_buffer.clear();
    OnWire([this](auto& wire) {
        wire.async_read_some(m_buffer.prepare(kDrainPiece),
                             [self = shared_from_this()](error_code ec, size_t) {
                                 if (ec)
                                     return self->Close();
                                 self->DrainSome();
                             });
    });
}

// A reset rather than an orderly close: the client must not take what it
// got for the whole file.
void Connection::Abort()
{
    error_code ignored;
    m_stream.socket().set_option(net::socket_base::linger(true, 0), ignored);
    m_stream.close();
}

void Connection::Close()
{
    m_stall.cancel();
    error_code ignored;
    m_stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
    m_stream.close();
}
