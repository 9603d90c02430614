// Runs a program the way a script would and collects what it printed, so the
// command-line tools are tested as built, output bytes and exit code alike.
#pragma once

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace vellum::testing {

struct CommandResult
{
    int exitCode = -1; // -1 when the program could not run or was killed
    std::string out;
    std::string err;
    long peakResidentKb = 0; // the child's VmHWM, as the kernel reports it to its parent
};

// Runs `program` with `args`, adding `environment` (name, value) to the
// current environment of the child only.
CommandResult RunCommand(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& environment = {});

// Starts `program` beside the test (an X server, the host) and returns its
// process id at once; its output goes nowhere, its standard error to
// `errorFile`. The caller ends it with kill and waitpid.
pid_t StartCommand(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& environment,
                   const std::string& errorFile = "/dev/null");

} // namespace vellum::testing
