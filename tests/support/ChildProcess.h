// A program running beside a test until the test ends it, down to a signal
// it cannot catch (an X server, the host application). Its output goes to
// /dev/null, its standard error to a file the test reads afterwards.
#pragma once

#include <csignal>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace vellum::testing {

class ChildProcess
{
public:
    // `program` is a path or a name looked up in PATH; `environment` is added
    // to the test's own. A child still running when this goes is killed.
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::pair<std::string, std::string>>& environment,
                 const std::string& errorFile = "/dev/null");
    ~ChildProcess() { SignalAndWait(SIGKILL); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Sends the signal and waits for the child; the raw wait status.
    int SignalAndWait(int signal);

private:
    pid_t m_pid = -1;
};

} // namespace vellum::testing
