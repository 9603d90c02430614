#include "CommitAnswerCutter.h"

#include <arpa/inet.h>
#include <cstring>
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

CommitAnswerCutter::CommitAnswerCutter(int serverPort) : m_serverPort(serverPort)
{
    m_listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof(address);
    if (bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(m_listener, 1) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        pipe(m_wake) != 0)
        return;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Relay(); });
}

CommitAnswerCutter::~CommitAnswerCutter()
{
    // Wakes the relay; should the write fail, it ends with the program.
    if (m_wake[1] >= 0) {
        [[maybe_unused]] ssize_t woken = write(m_wake[1], "x", 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    for (int fd : {m_listener, m_wake[0], m_wake[1]})
        if (fd >= 0)
            close(fd);
}

void CommitAnswerCutter::Relay()
{
    pollfd waiting[2] = {{m_listener, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    if (poll(waiting, 2, -1) <= 0 || waiting[1].revents)
        return;
    int client = accept(m_listener, nullptr, nullptr);
    int server = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(m_serverPort);
    if (client >= 0 && connect(server, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0)
        for (;;) {
            pollfd ends[3] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
            if (poll(ends, 3, -1) <= 0 || ends[2].revents)
                break;
            if (ends[0].revents && !Pump(client, server, true))
                break;
            if (ends[1].revents && !Pump(server, client, false))
                break;
        }
    // Cut: the client's next read finds the connection closed.
    shutdown(client, SHUT_RDWR);
    close(client);
    close(server);
}

// Passes one read on; false when the relay is to end. The answer to an
// armed COMMIT is read and dropped.
bool CommitAnswerCutter::Pump(int from, int to, bool fromClient)
{
    char buffer[65536];
    ssize_t got = read(from, buffer, sizeof(buffer));
    if (got <= 0)
        return false;
    if (!fromClient && m_commitSent) {
        m_cut = true;
        return false;
    }
    if (fromClient && m_armed &&
        std::string_view(buffer, static_cast<size_t>(got)).find("COMMIT") != std::string_view::npos)
        m_commitSent = true;
    return write(to, buffer, static_cast<size_t>(got)) == got;
}

} // namespace vellum::testing
