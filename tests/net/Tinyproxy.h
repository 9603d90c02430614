// tinyproxy, run by a test in the foreground on a free 127.0.0.1 port with
// a configuration of the test's own; it also opens CONNECT tunnels.
#pragma once

#include "net/HiSocket.h"
#include "net/TestHome.h"
#include "platform/net/LoopbackListener.h"

#include <chrono>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace vellum::testing {

class Tinyproxy
{
public:
    explicit Tinyproxy(const TestHome& home) : m_port(vellum::testing::FreePort())
    {
        std::string conf = home.Temp() + "tinyproxy.conf";
        home.WriteFile("../tmp/tinyproxy.conf",
                       "Port " + std::to_string(m_port) +
                           "\nListen 127.0.0.1\nTimeout 30\nAllow 127.0.0.1\nMaxClients 4\n"
                           "LogLevel Critical\nPidFile \"" +
                           home.Temp() + "tinyproxy.pid\"\nLogFile \"" + home.Temp() +
                           "tinyproxy.log\"\n");
        const char* argv[] = {"tinyproxy", "-d", "-c", conf.c_str(), nullptr};
        if (posix_spawnp(&m_pid, "tinyproxy", nullptr, nullptr, const_cast<char**>(argv),
                         environ) != 0)
            m_pid = -1;
    }
    ~Tinyproxy()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }

    // True once the proxy accepts connections.
    bool WaitReady()
    {
        for (int i = 0; i < 100 && m_pid > 0; ++i) {
            CHiSocket probe;
            if (probe.Connect("127.0.0.1", m_port))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        return false;
    }
    uint16_t Port() const { return m_port; }

private:
    uint16_t m_port;
    pid_t m_pid = -1;
};

} // namespace vellum::testing
