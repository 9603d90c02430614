// Accepting: the listener takes every connection it can and gives each its
// own strand; the threads all run the one io_context. Past maxConnections, past maxPerAddress
// from one client address, or when the process runs
// out of file descriptors, new connections are closed at once (and accepting pauses a moment on
// EMFILE rather than spinning), so a flood cannot starve the connections already being served of
// descriptors or memory.
#include "AttachmentServer.h"

#include "Connection.h"
#include "StoreWorkers.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <malloc.h>
#include <optional>
#include <thread>
#include <vector>

namespace net = boost::asio;
using tcp = net::ip::tcp;

namespace {

class Listener : public std::enable_shared_from_this<Listener>
{
public:
    Listener(net::io_context& context, tcp::acceptor& acceptor, const ServerContext& server)
        : m_context(context), m_acceptor(acceptor), m_server(server), m_pause(context)
    {
    }

    void Accept()
    {
        m_acceptor.async_accept(
            net::make_strand(m_context),
            [self = shared_from_this()](boost::system::error_code ec, tcp::socket socket) {
                self->OnAccept(ec, std::move(socket));
            });
    }

private:
    void OnAccept(boost::system::error_code ec, tcp::socket socket)
    {
        if (ec == net::error::operation_aborted || !m_acceptor.is_open())
            return;
        if (ec == net::error::no_descriptors || ec == net::error::no_buffer_space) {
            m_pause.expires_after(std::chrono::milliseconds(50));
            m_pause.async_wait(
                [self = shared_from_this()](boost::system::error_code) { self->Accept(); });
            return;
        }
        if (!ec)
            Serve(std::move(socket));
        Accept();
    }

    // A refused socket closes as it goes out of scope.
    void Serve(tcp::socket socket)
    {
        if (m_server.connections >= m_server.options.maxConnections)
            return m_server.metrics.Refused(Refusal::ServerFull);
        std::string address = AddressOf(socket);
        if (!m_server.addresses.Admit(address, m_server.options.maxPerAddress))
            return m_server.metrics.Refused(Refusal::PerAddress);
        m_server.metrics.Accepted();
        boost::system::error_code ignored;
        socket.set_option(tcp::no_delay(true), ignored);
        std::make_shared<Connection>(std::move(socket), std::move(address), m_server)->Start();
    }

    static std::string AddressOf(const tcp::socket& socket)
    {
        boost::system::error_code ec;
        tcp::endpoint remote = socket.remote_endpoint(ec);
        return ec ? std::string("-") : remote.address().to_string();
    }

    net::io_context& m_context;
    tcp::acceptor& m_acceptor;
    const ServerContext& m_server;
    net::steady_timer m_pause;
};

// Gives freed memory back to the system once many connections have gone:
// the allocator keeps freed buffers of a thousand connections otherwise, so
// the process would stay at its peak size after a flood.
class MemoryTrimmer : public std::enable_shared_from_this<MemoryTrimmer>
{
public:
    MemoryTrimmer(net::io_context& context, const ServerContext& server)
        : m_timer(context), m_server(server)
    {
    }

    void Watch()
    {
        unsigned now = m_server.connections;
        m_peak = std::max(m_peak, now);
        if (m_peak >= kFewConnections && now < m_peak / 2) {
            malloc_trim(0);
            m_peak = now;
        }
        m_timer.expires_after(std::chrono::seconds(1));
        m_timer.async_wait([self = shared_from_this()](boost::system::error_code ec) {
            if (!ec)
                self->Watch();
        });
    }

private:
    static constexpr unsigned kFewConnections = 64;

    net::steady_timer m_timer;
    const ServerContext& m_server;
    unsigned m_peak = 0;
};

// The TLS context of --tls-cert and --tls-key: TLS 1.2 and later only.
// False, with the reason on stderr, when a file cannot be used.
bool LoadCertificate(const ServerOptions& options, net::ssl::context& tls)
{
    tls.set_options(net::ssl::context::default_workarounds | net::ssl::context::no_sslv2 |
                    net::ssl::context::no_sslv3 | net::ssl::context::no_tlsv1 |
                    net::ssl::context::no_tlsv1_1 | net::ssl::context::single_dh_use);
    boost::system::error_code ec;
    tls.use_certificate_chain_file(options.tlsCert, ec);
    const char* which = "--tls-cert";
    if (!ec) {
        which = "--tls-key";
        tls.use_private_key_file(options.tlsKey, net::ssl::context::pem, ec);
    }
    if (ec)
        std::fprintf(stderr, "vellum-attachd: %s: %s\n", which, ec.message().c_str());
    return !ec;
}

} // namespace

bool RunAttachmentServer(const ServerOptions& options, AttachmentStore& store,
                         PostgresStore* tickets,
                         const std::function<void(std::function<void()> stop)>& started)
{
    // Declared before the io_context: connections still queued in it when
    // it is destroyed count themselves out of `server` as they go.
    std::optional<net::ssl::context> tls;
    if (!options.tlsCert.empty()) {
        tls.emplace(net::ssl::context::tls_server);
        if (!LoadCertificate(options, *tls))
            return false;
    }
    // Before the io_context too: connections leave the feed as they go.
    std::optional<FeedHub> feed;
    if (store.Figures().database)
        feed.emplace(options.database);
    ServerContext server{options, store, tls ? &*tls : nullptr, {0}, {}, {}};
    server.tickets = tickets;
    server.feed = feed ? &*feed : nullptr;
    net::io_context context;
    // After the io_context: work the workers finish while they stop still
    // resumes its connection there.
    std::optional<StoreWorkers> workers;
    if (store.Figures().database) {
        workers.emplace(options.databaseWorkers, options.databaseWait);
        server.workers = &*workers;
    }
    tcp::acceptor acceptor(context);
    boost::system::error_code ec;
    tcp::endpoint endpoint(net::ip::make_address(options.listen, ec),
                           static_cast<unsigned short>(options.port));
    if (!ec)
        acceptor.open(endpoint.protocol(), ec);
    if (!ec)
        acceptor.set_option(net::socket_base::reuse_address(true), ec);
    if (!ec)
        acceptor.bind(endpoint, ec);
    if (!ec)
        acceptor.listen(net::socket_base::max_listen_connections, ec);
    if (ec) {
        std::fprintf(stderr, "vellum-attachd: cannot listen on %s:%d: %s\n", options.listen.c_str(),
                     options.port, ec.message().c_str());
        return false;
    }
    auto listener = std::make_shared<Listener>(context, acceptor, server);
    listener->Accept();
    std::make_shared<MemoryTrimmer>(context, server)->Watch();

    std::printf("listening on %s://%s:%d/\n", tls ? "https" : "http", options.listen.c_str(),
                static_cast<int>(acceptor.local_endpoint().port()));
    std::fflush(stdout);
    started([&context] { context.stop(); });

    unsigned count =
        options.threads ? options.threads : std::max(2u, std::thread::hardware_concurrency());
    std::vector<std::thread> threads;
    for (unsigned i = 1; i < count; ++i)
        threads.emplace_back([&context] { context.run(); });
    context.run();
    for (std::thread& thread : threads)
        thread.join();
    return true;
}
