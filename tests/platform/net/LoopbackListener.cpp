// Plain blocking POSIX sockets for test peers; nothing here leaves 127.0.0.1.
#include "platform/net/LoopbackListener.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vellum::testing {
namespace {

bool WaitReadable(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) == 1;
}

// Reads until `count` bytes or `marker` (when not empty) arrived, the peer
// closes or the time is up.
std::string Read(int fd, const std::string& marker, size_t count, int timeoutMs)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string read;
    char buffer[65536];
    while (read.size() < count && (marker.empty() || read.find(marker) == std::string::npos)) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !WaitReadable(fd, static_cast<int>(left.count())))
            break;
        ssize_t n = recv(fd, buffer, std::min(sizeof buffer, count - read.size()), 0);
        if (n <= 0)
            break;
        read.append(buffer, static_cast<size_t>(n));
    }
    return read;
}

} // namespace

LoopbackListener::LoopbackListener()
{
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(m_fd, 16);
    socklen_t length = sizeof address;
    getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
}

LoopbackListener::~LoopbackListener()
{
    close(m_fd);
}

int LoopbackListener::Accept(int timeoutMs)
{
    if (!WaitReadable(m_fd, timeoutMs))
        return -1;
    return accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
}

bool WriteAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string ReadUntil(int fd, const std::string& marker, int timeoutMs)
{
    return Read(fd, marker, std::string::npos, timeoutMs);
}

std::string ReadCount(int fd, size_t count, int timeoutMs)
{
    return Read(fd, "", count, timeoutMs);
}

void CloseConnection(int fd, bool reset)
{
    if (reset) {
        linger hard{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
    close(fd);
}

uint16_t FreePort()
{
    LoopbackListener probe;
    return probe.Port();
}

} // namespace vellum::testing
