// Runs vellum-attachd as a child process on a free 127.0.0.1 port for the
// length of a test, and stops it with SIGTERM afterwards.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace vellum::testing {

class AttachServerProcess
{
public:
    // Starts the server on `root` with any extra options; Port() is 0 when
    // it did not come up.
    AttachServerProcess(const std::string& root, const std::vector<std::string>& extra = {});
    ~AttachServerProcess();

    int Port() const { return m_port; }
    pid_t Pid() const { return m_pid; }
    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }
    // Sends SIGTERM and returns the exit status (-1 when it did not exit
    // normally).
    int Stop();

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

} // namespace vellum::testing
