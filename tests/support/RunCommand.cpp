// fork/exec with two pipes read through poll, so a child that fills one pipe
// while we wait on the other cannot dead-lock the test.
#include "support/RunCommand.h"

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vellum::testing {

namespace {

[[noreturn]] void RunChild(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::pair<std::string, std::string>>& environment,
                           int outFd, int errFd)
{
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    for (const auto& [name, value] : environment)
        setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

void Drain(int outFd, int errFd, CommandResult& result)
{
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0 && poll(fds, 2, -1) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(got));
                continue;
            }
            close(fds[i].fd);
            fds[i].fd = -1;
            --open;
        }
    }
}

} // namespace

CommandResult RunCommand(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& environment)
{
    CommandResult result;
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0)
        return result;
    if (pipe(errPipe) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return result;
    }
    pid_t child = fork();
    if (child == 0)
        RunChild(program, args, environment, outPipe[1], errPipe[1]);
    close(outPipe[1]);
    close(errPipe[1]);
    if (child < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return result;
    }
    Drain(outPipe[0], errPipe[0], result);
    int status = 0;
    struct rusage usage = {};
    wait4(child, &status, 0, &usage);
    result.peakResidentKb = usage.ru_maxrss;
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

pid_t StartCommand(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& environment,
                   const std::string& errorFile)
{
    int nothing = open("/dev/null", O_WRONLY | O_CLOEXEC);
    int error = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    pid_t child = fork();
    if (child == 0)
        RunChild(program, args, environment, nothing, error);
    close(nothing);
    close(error);
    return child;
}

} // namespace vellum::testing
