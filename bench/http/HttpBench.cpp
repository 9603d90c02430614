// Attachment transfer speed: CHttpClient against curl, both talking to the
// same vellum-attachd on 127.0.0.1 in the same run. Downloads a 256 MiB file
// (request and SaveToFile, as the read dialog does) and uploads a 64 MiB
// file (multipart body build and POST, as the compose dialog does; curl -F).
// Each side runs seven times, in turns, and keeps its best time. Also the peak
// memory of one upload, measured in a child process of its own: the file
// goes from the disk to the socket, so it is a figure against curl's.
//
// Prints both ratios (our time / curl's); the last line is the worse one.
#include "BenchFigure.h"
#include "net/HttpClient.h"
#include "net/MultipartForm.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
constexpr int kRuns = 7;

struct Child
{
    pid_t pid = -1;
    int out = -1;
};

Child Spawn(std::vector<std::string> words, bool pipeOut)
{
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    int fds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (pipeOut && pipe(fds) == 0) {
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
    }
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    Child child;
    if (posix_spawnp(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (fds[1] >= 0)
        close(fds[1]);
    child.out = fds[0];
    return child;
}

std::string ReadLine(int fd)
{
    std::string line;
    pollfd p{fd, POLLIN, 0};
    char c;
    while (poll(&p, 1, 10000) == 1 && read(fd, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

// Runs a command to its end; its peak resident size in KiB, -1 on failure.
long RunCommand(const std::vector<std::string>& words, std::string* output = nullptr)
{
    Child child = Spawn(words, output != nullptr);
    if (child.pid < 0)
        return -1;
    if (output) {
        char buffer[4096];
        ssize_t n;
        while ((n = read(child.out, buffer, sizeof buffer)) > 0)
            output->append(buffer, static_cast<size_t>(n));
        close(child.out);
    }
    int status = 0;
    rusage usage{};
    wait4(child.pid, &status, 0, &usage);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? usage.ru_maxrss : -1;
}

double Seconds(const std::function<bool()>& run)
{
    auto start = std::chrono::steady_clock::now();
    if (!run()) {
        std::fprintf(stderr, "bench_http: a transfer failed\n");
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Best times of both sides, run in turns so that a busy machine slows both
// alike.
std::pair<double, double> BestOfTurns(const std::function<bool()>& ours,
                                      const std::function<bool()>& reference)
{
    double bestOurs = 1e30, bestReference = 1e30;
    for (int i = 0; i < kRuns; ++i) {
        bestOurs = std::min(bestOurs, Seconds(ours));
        bestReference = std::min(bestReference, Seconds(reference));
    }
    return {bestOurs, bestReference};
}

void MakeFile(const fs::path& path, size_t size)
{
    std::ofstream out(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>((i * 131) ^ (i >> 9));
    for (size_t done = 0; done < size; done += block.size())
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

bool UploadWithClient(const std::string& url, const std::string& file, std::string* stored)
{
    CMultipartForm form;
    form.AddPart("UserName", "bench", 0);
    form.AddPart("FileName1", "", 0);
    form.AddPart("File1", file, 1);
    CHttpClient client;
    client.m_contentType = "multipart/form-data; boundary=" + form.GetBoundary();
    form.Start();
    client.m_bodySource = &form;
    if (client.Request("POST", url) != 1 || client.m_textBody.rfind("SUCCESS", 0) != 0)
        return false;
    if (stored)
        *stored = client.m_textBody.substr(client.m_textBody.find('=') + 1);
    return true;
}

} // namespace

int main()
{
    fs::path work = fs::temp_directory_path() / ("vellum-bench-http-" + std::to_string(getpid()));
    fs::create_directories(work / "home");
    setenv("VELLUM_HOME", (work / "home").c_str(), 1); // no proxy settings
    setenv("TMPDIR", work.c_str(), 1);
    fs::path big = work / "download.bin";
    fs::path upload = work / "upload.bin";
    MakeFile(big, 256u << 20);
    MakeFile(upload, 64u << 20);

    Child server = Spawn({std::string(VELLUM_BINARY_DIR) + "/tools/vellum-attachd/vellum-attachd",
                          "--root", (work / "store").string(), "--port", "0"},
                         true);
    std::string listening = ReadLine(server.out);
    std::string base = listening.substr(listening.find("http://"));
    std::string uploadUrl = base + "upload.jsp";

    std::string stored;
    if (!UploadWithClient(uploadUrl, big.string(), &stored)) {
        std::fprintf(stderr, "bench_http: cannot store the download file\n");
        return 1;
    }
    std::string downloadUrl = base + "download.jsp?UserName=bench&FileName=" + stored;
    std::string ours = (work / "ours.bin").string();
    std::string theirs = (work / "curl.bin").string();

    auto [downloadOurs, downloadCurl] = BestOfTurns(
        [&] {
            CHttpClient client;
            return client.Request("GET", downloadUrl) == 1 &&
                   client.m_bytesReceived == (256 << 20) && client.SaveToFile(ours) == 1;
        },
        [&] {
            return RunCommand({"curl", "-sf", "-o", theirs, downloadUrl}) >= 0;
        });
    bool same =
        fs::file_size(ours) == fs::file_size(big) && fs::file_size(theirs) == fs::file_size(big);

    std::string curlReply;
    auto [uploadOurs, uploadCurl] = BestOfTurns(
        [&] { return UploadWithClient(uploadUrl, upload, nullptr); },
        [&] {
            curlReply.clear();
            return RunCommand({"curl", "-sf", "-F", "UserName=bench", "-F", "FileName1=", "-F",
                               "File1=@" + upload.string(), uploadUrl},
                              &curlReply) >= 0 &&
                   curlReply.rfind("SUCCESS", 0) == 0;
        });

    // Peak memory of one upload, in a child of its own so nothing else of
    // this run counts.
    long oursPeak = -1;
    pid_t child = fork();
    if (child == 0)
        _exit(UploadWithClient(uploadUrl, upload, nullptr) ? 0 : 1);
    rusage usage{};
    int status = 0;
    if (child > 0 && wait4(child, &status, 0, &usage) == child && WIFEXITED(status) &&
        WEXITSTATUS(status) == 0)
        oursPeak = usage.ru_maxrss;
    long curlPeak = RunCommand({"curl", "-sf", "-o", "/dev/null", "-F", "UserName=bench", "-F",
                                "FileName1=", "-F", "File1=@" + upload.string(), uploadUrl});

    kill(server.pid, SIGTERM);
    waitpid(server.pid, nullptr, 0);
    fs::remove_all(work);

    double downloadRatio = downloadOurs / downloadCurl;
    double uploadRatio = uploadOurs / uploadCurl;
    std::printf("download 256 MiB: CHttpClient %.3f s, curl %.3f s, ratio %.3f%s\n", downloadOurs,
                downloadCurl, downloadRatio, same ? "" : " (SIZES DIFFER)");
    std::printf("upload 64 MiB: CHttpClient %.3f s, curl %.3f s, ratio %.3f\n", uploadOurs,
                uploadCurl, uploadRatio);
    std::printf("upload peak memory: CHttpClient process %.1f MiB (streamed from disk), "
                "curl %.1f MiB\n",
                oursPeak / 1024.0, curlPeak / 1024.0);
    vellum::bench::PrintFigure("http.upload-peak-mb-64m", oursPeak / 1024.0, curlPeak / 1024.0, 3);
    vellum::bench::PrintFigure("http.download-256m", downloadOurs * 1000, downloadCurl * 1000,
                               1.25);
    vellum::bench::PrintFigure("http.upload-64m", uploadOurs * 1000, uploadCurl * 1000, 1.25);
    std::printf("%.3f\n", std::max(downloadRatio, uploadRatio));
    return 0;
}
