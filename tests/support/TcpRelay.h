// A TCP relay on 127.0.0.1 in front of a server, for the network cut that a
// restart of the server cannot show: Cut() drops every connection through
// it and stops listening, as a broken link would; Restore() listens again on
// the same port. Armed with CutAtAnswerTo, it cuts at the one moment a
// restart cannot hit: the server has done the work, and the client only
// learns that its connection was lost. It runs on one thread of its own.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
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

    // Passes the client's next piece that holds `marker` (a COMMIT) on,
    // then drops the server's answer and cuts every connection.
    void CutAtAnswerTo(std::string marker);
    bool HasCut() const { return m_cut; }

private:
    void Run();
    void Accept();
    void Pump(size_t pair);
    void CutLocked();

    int m_targetPort;
    int m_port = 0;
    int m_listener = -1;
    std::vector<int> m_sockets; // client and server, two by two
    std::mutex m_mutex;
    std::atomic<bool> m_stopping{false};
    std::string m_marker;      // guarded by m_mutex
    bool m_markerSent = false; // guarded by m_mutex
    std::atomic<bool> m_cut{false};
    std::thread m_thread;
};

} // namespace vellum::testing
