#include "support/TcpRelay.h"

#include "support/PgCluster.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace vellum::testing {

namespace {

sockaddr_in Loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

} // namespace

TcpRelay::TcpRelay(int targetPort) : m_targetPort(targetPort), m_port(FreeLoopbackPort())
{
    if (!Restore())
        m_port = 0;
    m_thread = std::thread([this] { Run(); });
}

TcpRelay::~TcpRelay()
{
    m_stopping = true;
    m_thread.join();
    Cut();
}

void TcpRelay::Cut()
{
    std::lock_guard lock(m_mutex);
    CutLocked();
}

void TcpRelay::CutAtAnswerTo(std::string marker)
{
    std::lock_guard lock(m_mutex);
    m_marker = std::move(marker);
}

void TcpRelay::CutLocked()
{
    // Shut down before closed: the relay's thread may be polling them, and
    // a close alone would wait for its poll to end.
    for (int socket : m_sockets) {
        shutdown(socket, SHUT_RDWR);
        close(socket);
    }
    m_sockets.clear();
    if (m_listener >= 0) {
        shutdown(m_listener, SHUT_RDWR);
        close(m_listener);
    }
    m_listener = -1;
}

bool TcpRelay::Restore()
{
    std::lock_guard lock(m_mutex);
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address = Loopback(m_port);
    // The old listener goes once the relay's thread has left its poll.
    bool bound = false;
    for (int attempt = 0; attempt < 50 && !bound; ++attempt) {
        bound = bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        if (!bound)
            usleep(20 * 1000);
    }
    if (!bound || listen(listener, 64) != 0) {
        close(listener);
        return false;
    }
    m_listener = listener;
    return true;
}

// Polls a little at a time, so that a Cut from the test's thread is seen
// at once.
void TcpRelay::Run()
{
    while (!m_stopping) {
        std::vector<pollfd> watched;
        {
            std::lock_guard lock(m_mutex);
            watched.push_back({m_listener, POLLIN, 0});
            for (int socket : m_sockets)
                watched.push_back({socket, POLLIN, 0});
        }
        if (poll(watched.data(), watched.size(), 20) <= 0)
            continue;
        std::lock_guard lock(m_mutex);
        if (watched[0].revents && watched[0].fd == m_listener)
            Accept();
        for (size_t i = 1; i < watched.size(); ++i)
            if (watched[i].revents && i - 1 < m_sockets.size() && m_sockets[i - 1] == watched[i].fd)
                Pump(i - 1);
    }
}

void TcpRelay::Accept()
{
    int client = accept(m_listener, nullptr, nullptr);
    if (client < 0)
        return;
    int server = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(m_targetPort);
    if (connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(client);
        close(server);
        return;
    }
    m_sockets.push_back(client);
    m_sockets.push_back(server);
}

// Copies what socket `from` has to its partner; an end on either side
// ends both.
void TcpRelay::Pump(size_t from)
{
    size_t pair = from - from % 2;
    char piece[65536];
    ssize_t n = recv(m_sockets[from], piece, sizeof piece, 0);
    const bool fromClient = from % 2 == 0;
    if (n > 0 && !fromClient && m_markerSent) {
        m_cut = true;
        return CutLocked();
    }
    if (n > 0 && fromClient && !m_marker.empty() &&
        std::string_view(piece, static_cast<size_t>(n)).find(m_marker) != std::string_view::npos)
        m_markerSent = true;
    if (n > 0 && send(m_sockets[from ^ 1], piece, static_cast<size_t>(n), MSG_NOSIGNAL) == n)
        return;
    close(m_sockets[pair]);
    close(m_sockets[pair + 1]);
    m_sockets.erase(m_sockets.begin() + static_cast<long>(pair),
                    m_sockets.begin() + static_cast<long>(pair) + 2);
}

} // namespace vellum::testing
