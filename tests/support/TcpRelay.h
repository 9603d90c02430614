// A TCP relay on 127.0.0.1 in front of a server, for the network cut that a
// restart of the server cannot show: Cut() drops every connection through
// it and stops listening, as a broken link would; Restore() listens again on
// the same port. It runs on one thread of its own.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace vellum::testing {

class TcpRelay
{
public:
    explicit TcpRelay(int targetPort);
    ~TcpRelay();
    TcpRelay(const TcpRelay&) = delete;
    TcpRelay& operator=(const TcpRelay&) = delete;

    int Port() const { return m_port; } // 0 when it could not listen
    void Cut();
    bool Restore();

private:
    void Run();
    void Accept();
    void Pump(size_t pair);

    int m_targetPort;
    int m_port = 0;
    int m_listener = -1;
    std::vector<int> m_sockets; // client and server, two by two
    std::mutex m_mutex;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

} // namespace vellum::testing
