// The child runs with its stdout on a pipe; its first line names the port.
#include "AttachServerProcess.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vellum::testing {

AttachServerProcess::AttachServerProcess(const std::string& root,
                                         const std::vector<std::string>& extra)
{
    std::vector<std::string> words = {VELLUM_BINARY_DIR "/tools/vellum-attachd/vellum-attachd",
                                      "--root", root, "--port", "0"};
    words.insert(words.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    int out[2];
    if (pipe(out) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string log = root + ".log";
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string line;
    pollfd p{out[0], POLLIN, 0};
    char c;
    while (m_pid > 0 && poll(&p, 1, 5000) == 1 && read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(out[0]);
    size_t colon = line.rfind(':');
    if (colon != std::string::npos)
        m_port = std::atoi(line.c_str() + colon + 1);
}

AttachServerProcess::~AttachServerProcess()
{
    Stop();
}

int AttachServerProcess::Stop()
{
    if (m_pid <= 0)
        return -1;
    kill(m_pid, SIGTERM);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace vellum::testing
