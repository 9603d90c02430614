// vellum-attachd under load, against Debian's nginx in the same run, both
// on 127.0.0.1 and both driven by curl:
// - a 256 MiB download (nginx serving the same file, sendfile on as in
//   Debian's configuration) and a 64 MiB upload (nginx's dav module taking
//   the same bytes with PUT), best of five each, in turns;
// - the same download while 1,000 connections trickle request heads at
//   1 byte/s, against the idle time, and a 5 MB download the same way
//   (the difference should stay under a second);
// - 1,000 connections flooding header lines at once: the server's peak
//   memory, and its memory a few seconds after they are gone.
// nginx is installed on demand (apt-get, as root) when it is missing. The
// last line is the worst ratio against its target.
#include "BenchFigure.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 5;
constexpr int kSlowClients = 1000;
constexpr int kFloods = 1000;

pid_t Spawn(const std::vector<std::string>& words, const std::string& out = "/dev/null",
            const std::string& err = "/dev/null")
{
    std::vector<char*> argv;
    for (const std::string& word : words)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int Wait(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Milliseconds one run of `words` takes; negative when it failed.
double TimeRun(const std::vector<std::string>& words)
{
    auto start = Clock::now();
    int status = Wait(Spawn(words));
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return status == 0 ? ms : -1;
}

double Best(const std::vector<std::string>& words, int runs)
{
    double best = 1e18;
    for (int i = 0; i < runs; ++i) {
        double ms = TimeRun(words);
        if (ms < 0)
            return -1;
        best = std::min(best, ms);
    }
    return best;
}

int FreePort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

int Connect(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void WriteFile(const std::string& path, size_t size)
{
    std::ofstream out(path, std::ios::binary);
    std::string block(1 << 20, '\0');
    uint32_t x = 2463534242u;
    for (char& c : block) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        c = static_cast<char>(x);
    }
    for (size_t written = 0; written < size; written += block.size())
        out.write(block.data(),
                  static_cast<std::streamsize>(std::min(block.size(), size - written)));
}

// The server's resident and peak resident memory in MB, from /proc.
double MemoryMb(pid_t pid, const char* key)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0)
            return std::atof(line.c_str() + std::string(key).size()) / 1024.0;
    }
    return -1;
}

struct Attachd
{
    pid_t pid = -1;
    int port = 0;
};

Attachd StartAttachd(const std::string& root, const std::string& work)
{
    Attachd server;
    std::string out = work + "/attachd.out";
    server.pid = Spawn({VELLUM_BINARY_DIR "/tools/vellum-attachd/vellum-attachd", "--root", root,
                        "--port", "0", "--max-size", "1073741824"},
                       out, work + "/attachd.log");
    for (int i = 0; i < 100 && server.port == 0; ++i) {
        usleep(50 * 1000);
        std::ifstream in(out);
        std::string line;
        if (std::getline(in, line) && line.rfind(':') != std::string::npos)
            server.port = std::atoi(line.c_str() + line.rfind(':') + 1);
    }
    return server;
}

bool EnsureNginx()
{
    if (access("/usr/sbin/nginx", X_OK) == 0)
        return true;
    if (geteuid() != 0)
        return false;
    std::system("DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "
                "nginx-light >/dev/null 2>&1");
    return access("/usr/sbin/nginx", X_OK) == 0;
}

pid_t StartNginx(const std::string& work, int port)
{
    fs::create_directories(work + "/nginx/dav");
    fs::create_directories(work + "/nginx/body");
    std::ofstream(work + "/nginx.conf")
        << (geteuid() == 0 ? "user root;\n" : "") << "daemon off;\nworker_processes 1;\n"
        << "pid " << work << "/nginx.pid;\nerror_log " << work << "/nginx.err;\n"
        << "events { worker_connections 4096; }\n"
        << "http {\n access_log off;\n sendfile on;\n"
        << " client_body_temp_path " << work << "/nginx/body;\n"
        << " proxy_temp_path " << work << "/nginx/body;\n"
        << " fastcgi_temp_path " << work << "/nginx/body;\n"
        << " uwsgi_temp_path " << work << "/nginx/body;\n"
        << " scgi_temp_path " << work << "/nginx/body;\n"
        << " server {\n  listen 127.0.0.1:" << port << ";\n  root " << work << "/nginx;\n"
        << "  client_max_body_size 0;\n"
        << "  location /dav/ { dav_methods PUT; create_full_put_path on; }\n }\n}\n";
    pid_t pid = Spawn({"/usr/sbin/nginx", "-p", work + "/nginx", "-c", work + "/nginx.conf"},
                      "/dev/null", work + "/nginx.stderr");
    for (int i = 0; i < 100; ++i) {
        int fd = Connect(port);
        if (fd >= 0) {
            close(fd);
            return pid;
        }
        usleep(50 * 1000);
    }
    return pid;
}

// Connections that send a request head one byte per second and never
// finish it, running until stopped.
class SlowClients
{
public:
    SlowClients(int port, int count)
    {
        for (int i = 0; i < count; ++i) {
            int fd = Connect(port);
            if (fd >= 0)
                m_fds.push_back(fd);
        }
        m_thread = std::thread([this] { Trickle(); });
    }
    ~SlowClients()
    {
        m_stop = true;
        m_thread.join();
        for (int fd : m_fds)
            close(fd);
    }
    size_t Count() const { return m_fds.size(); }

private:
    void Trickle()
    {
        static const std::string head = "GET /download.jsp?UserName=slow&FileName=x HTTP/1.1\r\n"
                                        "Host: 127.0.0.1\r\nX-Slow: ";
        for (size_t at = 0; !m_stop; ++at) {
            char c = at < head.size() ? head[at] : 'a';
            for (int fd : m_fds)
                send(fd, &c, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            for (int i = 0; i < 10 && !m_stop; ++i)
                usleep(100 * 1000);
        }
    }

    std::vector<int> m_fds;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Sends head lines on every connection as fast as each takes them until
// the server closes it (or `bytes` were sent); returns the server's peak
// memory seen meanwhile.
double Flood(int port, int count, size_t bytes, pid_t server)
{
    std::vector<int> fds;
    for (int i = 0; i < count; ++i) {
        int fd = Connect(port);
        if (fd < 0)
            continue;
        fcntl(fd, F_SETFL, O_NONBLOCK);
        send(fd, "GET /download.jsp HTTP/1.1\r\n", 28, MSG_NOSIGNAL);
        fds.push_back(fd);
    }
    std::string lines;
    while (lines.size() < 65536)
        lines += "a: b\r\n";
    std::vector<size_t> sent(fds.size(), 0);
    double peak = 0;
    auto end = Clock::now() + std::chrono::seconds(30);
    size_t open = fds.size();
    while (open > 0 && Clock::now() < end) {
        for (size_t i = 0; i < fds.size(); ++i) {
            if (fds[i] < 0)
                continue;
            char sink[4096];
            ssize_t got = recv(fds[i], sink, sizeof sink, MSG_DONTWAIT);
            bool closed = got == 0 || (got < 0 && errno != EAGAIN);
            if (!closed && sent[i] < bytes) {
                ssize_t n = send(fds[i], lines.data(), lines.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n > 0)
                    sent[i] += static_cast<size_t>(n);
                closed = n < 0 && errno != EAGAIN;
            }
            if (closed || sent[i] >= bytes) {
                close(fds[i]);
                fds[i] = -1;
                --open;
            }
        }
        peak = std::max(peak, MemoryMb(server, "VmRSS:"));
    }
    for (int fd : fds) {
        if (fd >= 0)
            close(fd);
    }
    return std::max(peak, MemoryMb(server, "VmHWM:"));
}

void RaiseDescriptorLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

} // namespace

int main()
{
    std::signal(SIGPIPE, SIG_IGN);
    RaiseDescriptorLimit();
    if (!EnsureNginx()) {
        std::printf("attachd: nginx is not installed (apt-get install nginx-light)\n");
        return 1;
    }
    char pattern[] = "/tmp/vellum-bench-attachd-XXXXXX";
    std::string work = mkdtemp(pattern);
    fs::create_directories(work + "/store");
    fs::create_directories(work + "/nginx");
    const std::string big = "20260101000000-00000000.bin", medium = "20260101000000-00000001.bin";
    WriteFile(work + "/store/" + big, 256u << 20);
    WriteFile(work + "/store/" + medium, 5u << 20);
    WriteFile(work + "/upload.bin", 64u << 20);
    fs::create_hard_link(work + "/store/" + big, work + "/nginx/" + big);

    Attachd attachd = StartAttachd(work + "/store", work);
    int nginxPort = FreePort();
    pid_t nginx = StartNginx(work, nginxPort);
    if (attachd.port == 0 || nginx < 0) {
        std::printf("attachd: a server did not start (see %s)\n", work.c_str());
        return 1;
    }
    std::string ours = "http://127.0.0.1:" + std::to_string(attachd.port) + "/";
    std::string theirs = "http://127.0.0.1:" + std::to_string(nginxPort) + "/";
    auto get = [](const std::string& url) {
        return std::vector<std::string>{"curl", "-sf", "-o", "/dev/null", url};
    };
    std::string download = ours + "download.jsp?UserName=b&FileName=";
    std::vector<std::string> postOurs = {"curl",
                                         "-sf",
                                         "-o",
                                         "/dev/null",
                                         "-H",
                                         "Expect:",
                                         "-F",
                                         "UserName=bench",
                                         "-F",
                                         "FileName1=",
                                         "-F",
                                         "File1=@" + work + "/upload.bin",
                                         ours + "upload.jsp"};
    std::vector<std::string> putTheirs = {"curl",
                                          "-sf",
                                          "-o",
                                          "/dev/null",
                                          "-H",
                                          "Expect:",
                                          "-T",
                                          work + "/upload.bin",
                                          theirs + "dav/up.bin"};

    double downOurs = 1e18, downTheirs = 1e18, upOurs = 1e18, upTheirs = 1e18;
    for (int i = 0; i < kRuns; ++i) {
        downOurs = std::min(downOurs, TimeRun(get(download + big)));
        downTheirs = std::min(downTheirs, TimeRun(get(theirs + big)));
        upOurs = std::min(upOurs, TimeRun(postOurs));
        upTheirs = std::min(upTheirs, TimeRun(putTheirs));
    }
    double mediumIdle = Best(get(download + medium), kRuns);

    double downSlow = -1, mediumSlow = -1;
    size_t slowOpen = 0;
    {
        SlowClients slow(attachd.port, kSlowClients);
        slowOpen = slow.Count();
        sleep(2); // every slow connection has sent some bytes
        mediumSlow = Best(get(download + medium), kRuns);
        downSlow = Best(get(download + big), kRuns);
    }
    sleep(1);
    double idleMb = MemoryMb(attachd.pid, "VmRSS:");
    double floodMb = Flood(attachd.port, kFloods, 1u << 20, attachd.pid);
    sleep(3);
    double afterMb = MemoryMb(attachd.pid, "VmRSS:");

    kill(attachd.pid, SIGTERM);
    kill(nginx, SIGQUIT);
    Wait(attachd.pid);
    Wait(nginx);
    fs::remove_all(work);

    std::printf("256 MiB download: vellum-attachd %.1f ms, nginx %.1f ms\n", downOurs, downTheirs);
    std::printf("64 MiB upload: vellum-attachd (multipart POST) %.1f ms, nginx (dav PUT) %.1f ms\n",
                upOurs, upTheirs);
    std::printf("with %zu slow connections: 256 MiB download %.1f ms (idle %.1f), 5 MB download "
                "%.1f ms (idle %.1f, +%.1f ms)\n",
                slowOpen, downSlow, downOurs, mediumSlow, mediumIdle, mediumSlow - mediumIdle);
    std::printf("memory: idle %.1f MB, peak under %d header floods %.1f MB, 3 s after %.1f MB\n",
                idleMb, kFloods, floodMb, afterMb);
    using vellum::bench::PrintFigure;
    PrintFigure("attachd.download-256m", downOurs, downTheirs, 1.25);
    PrintFigure("attachd.upload-64m", upOurs, upTheirs, 1.25);
    PrintFigure("attachd.download-slow-1000", downSlow, downOurs, 1.5);
    // The 5 MB download may take at most one second more than when idle.
    PrintFigure("attachd.5m-slow-vs-idle+1s", mediumSlow, mediumIdle + 1000, 1.0);
    PrintFigure("attachd.flood-memory-mb", floodMb, 200, 1.0);
    // Near idle afterwards: within twice the idle size.
    PrintFigure("attachd.after-flood-mb", afterMb, 2 * idleMb, 1.0);
    bool failed = downOurs < 0 || downTheirs < 0 || upOurs < 0 || upTheirs < 0 || downSlow < 0 ||
                  mediumSlow < 0;
    double worst =
        std::max({downOurs / downTheirs / 1.25, upOurs / upTheirs / 1.25, downSlow / downOurs / 1.5,
                  mediumSlow / (mediumIdle + 1000), floodMb / 200, afterMb / (2 * idleMb)});
    std::printf("%.3f\n", failed ? 99.0 : worst);
    return failed ? 1 : 0;
}
