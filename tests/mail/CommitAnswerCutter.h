// A relay on 127.0.0.1 between one client and the PostgreSQL server that,
// once armed, passes the client's next COMMIT on and then cuts both
// connections when the server answers it: the transaction is committed,
// and the client only learns that its connection was lost.
#pragma once

#include <atomic>
#include <thread>

namespace vellum::testing {

class CommitAnswerCutter
{
public:
    explicit CommitAnswerCutter(int serverPort);
    ~CommitAnswerCutter();
    CommitAnswerCutter(const CommitAnswerCutter&) = delete;
    CommitAnswerCutter& operator=(const CommitAnswerCutter&) = delete;

    int Port() const { return m_port; }
    void Arm() { m_armed = true; }
    // True once a COMMIT's answer has been held back.
    bool HasCut() const { return m_cut; }

private:
    void Relay();
    bool Pump(int from, int to, bool fromClient);

    int m_serverPort;
    int m_listener = -1;
    int m_port = 0;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_armed{false};
    std::atomic<bool> m_cut{false};
    bool m_commitSent = false;
    std::thread m_thread;
};

} // namespace vellum::testing
