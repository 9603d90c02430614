// Attachment transfer speed: CHttpClient against curl, both talking to the
// same vellum-attachd on 127.0.0.1 in the same run. Over http, downloads a
// 256 MiB file (request and SaveToFile, as the read dialog does) and uploads
// a 64 MiB file (multipart body build and POST, as the compose dialog does;
// curl -F). Over https, with the server serving TLS itself and a certificate
// from a CA made here (CAFile in httpclient.ini for us, --cacert for curl),
// downloads and uploads 64 and 256 MiB each. Each side runs seven times, in
// turns, and keeps its best time. Also the peak memory of one upload,
// measured in a child process of its own: the file goes from the disk to
// the socket, so it is a figure against curl's.
//
// Prints every ratio (our time / curl's); the last line is the worst one.
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

// Best times of our download of `url` (request and SaveToFile) and curl's,
// each `size` bytes; `same` is cleared when a saved copy has another size.
std::pair<double, double> DownloadTimes(const std::string& url, size_t size,
                                        const std::vector<std::string>& curlOptions,
                                        const fs::path& work, bool& same)
{
    std::string ours = (work / "ours.bin").string();
    std::string theirs = (work / "curl.bin").string();
    std::vector<std::string> curl = {"curl", "-sf", "-o", theirs, url};
    curl.insert(curl.end(), curlOptions.begin(), curlOptions.end());
    auto times = BestOfTurns(
        [&] {
            CHttpClient client;
            return client.Request("GET", url) == 1 &&
                   client.m_bytesReceived == static_cast<int64_t>(size) &&
                   client.SaveToFile(ours) == 1;
        },
        [&] { return RunCommand(curl) >= 0; });
    same = same && fs::file_size(ours) == size && fs::file_size(theirs) == size;
    return times;
}

std::vector<std::string> CurlUpload(const std::string& url, const std::string& file,
                                    const std::vector<std::string>& curlOptions)
{
    std::vector<std::string> curl = {
        "curl", "-sf", "-F", "UserName=bench", "-F", "FileName1=", "-F", "File1=@" + file, url};
    curl.insert(curl.end(), curlOptions.begin(), curlOptions.end());
    return curl;
}

// Best times of our upload of `file` and curl's.
std::pair<double, double> UploadTimes(const std::string& url, const std::string& file,
                                      const std::vector<std::string>& curlOptions)
{
    return BestOfTurns([&] { return UploadWithClient(url, file, nullptr); },
                       [&] {
                           std::string reply;
                           return RunCommand(CurlUpload(url, file, curlOptions), &reply) >= 0 &&
                                  reply.rfind("SUCCESS", 0) == 0;
                       });
}

struct Server
{
    Child process;
    std::string base; // "http://127.0.0.1:PORT/", empty when it did not start
};

Server StartServer(const fs::path& store, const std::vector<std::string>& options)
{
    std::vector<std::string> words = {std::string(VELLUM_BINARY_DIR) +
                                          "/tools/vellum-attachd/vellum-attachd",
                                      "--root", store.string(), "--port", "0"};
    words.insert(words.end(), options.begin(), options.end());
    Server server{Spawn(words, true), {}};
    std::string listening = ReadLine(server.process.out);
    if (size_t scheme = listening.find("http"); scheme != std::string::npos)
        server.base = listening.substr(scheme);
    return server;
}

void StopServer(const Server& server)
{
    kill(server.process.pid, SIGTERM);
    waitpid(server.process.pid, nullptr, 0);
}

// A CA and a certificate for 127.0.0.1 signed by it, as an administrator
// makes them with the openssl command: work/ca.pem, work/server.{pem,key}.
bool MakeCertificates(const fs::path& work)
{
    auto at = [&](const char* name) { return (work / name).string(); };
    std::vector<std::string> newKey = {"-newkey", "ec",     "-pkeyopt", "ec_paramgen_curve:P-256",
                                       "-nodes",  "-keyout"};
    auto request = [&](std::vector<std::string> words, const char* key) {
        words.insert(words.end(), newKey.begin(), newKey.end());
        words.push_back(at(key));
        return RunCommand(words) >= 0;
    };
    return request({"openssl", "req", "-x509", "-subj", "/CN=bench-ca", "-days", "2", "-out",
                    at("ca.pem")},
                   "ca.key") &&
           request({"openssl", "req", "-subj", "/CN=bench", "-addext",
                    "subjectAltName=IP:127.0.0.1", "-out", at("server.csr")},
                   "server.key") &&
           RunCommand({"openssl", "x509", "-req", "-copy_extensions", "copy", "-CA", at("ca.pem"),
                       "-CAkey", at("ca.key"), "-days", "2", "-in", at("server.csr"), "-out",
                       at("server.pem")}) >= 0;
}

// Prints one transfer's times and figure; the worst ratio so far grows.
void Report(const char* what, const char* figure, std::pair<double, double> times, double& worst,
            bool same = true)
{
    double ratio = times.first / times.second;
    std::printf("%s: CHttpClient %.3f s, curl %.3f s, ratio %.3f%s\n", what, times.first,
                times.second, ratio, same ? "" : " (SIZES DIFFER)");
    vellum::bench::PrintFigure(figure, times.first * 1000, times.second * 1000, 1.25);
    worst = std::max(worst, ratio);
}

} // namespace

int main()
{
    fs::path work = fs::temp_directory_path() / ("vellum-bench-http-" + std::to_string(getpid()));
    fs::create_directories(work / "home");
    setenv("VELLUM_HOME", (work / "home").c_str(), 1); // no proxy settings
    setenv("TMPDIR", work.c_str(), 1);
    const fs::path big = work / "download.bin";
    const fs::path upload = work / "upload.bin";
    MakeFile(big, 256u << 20);
    MakeFile(upload, 64u << 20);
    if (!MakeCertificates(work)) {
        std::fprintf(stderr, "bench_http: the openssl command failed\n");
        return 1;
    }
    std::ofstream(work / "home" / "httpclient.ini")
        << "[HttpClient]\nCAFile=" << (work / "ca.pem").string() << "\n";

    const Server plain = StartServer(work / "store", {});
    const Server tls =
        StartServer(work / "tls-store", {"--tls-cert", (work / "server.pem").string(), "--tls-key",
                                         (work / "server.key").string()});
    // The files to download, stored once on each server.
    std::string plainBig, tlsBig, tlsSmall;
    if (plain.base.empty() || tls.base.empty() ||
        !UploadWithClient(plain.base + "upload.jsp", big.string(), &plainBig) ||
        !UploadWithClient(tls.base + "upload.jsp", big.string(), &tlsBig) ||
        !UploadWithClient(tls.base + "upload.jsp", upload.string(), &tlsSmall)) {
        std::fprintf(stderr, "bench_http: cannot store the download files\n");
        return 1;
    }
    auto downloadUrl = [](const Server& server, const std::string& stored) {
        return server.base + "download.jsp?UserName=bench&FileName=" + stored;
    };
    const std::string plainUpload = plain.base + "upload.jsp";
    const std::string tlsUpload = tls.base + "upload.jsp";
    const std::vector<std::string> trustCa = {"--cacert", (work / "ca.pem").string()};

    double worst = 0;
    bool same = true;
    Report("download 256 MiB", "http.download-256m",
           DownloadTimes(downloadUrl(plain, plainBig), 256u << 20, {}, work, same), worst, same);
    Report("upload 64 MiB", "http.upload-64m", UploadTimes(plainUpload, upload.string(), {}),
           worst);

    // Peak memory of one upload, in a child of its own so nothing else of
    // this run counts.
    long oursPeak = -1;
    pid_t child = fork();
    if (child == 0)
        _exit(UploadWithClient(plainUpload, upload, nullptr) ? 0 : 1);
    rusage usage{};
    int status = 0;
    if (child > 0 && wait4(child, &status, 0, &usage) == child && WIFEXITED(status) &&
        WEXITSTATUS(status) == 0)
        oursPeak = usage.ru_maxrss;
    std::vector<std::string> curlPeakRun = CurlUpload(plainUpload, upload.string(), {});
    curlPeakRun.insert(curlPeakRun.begin() + 2, {"-o", "/dev/null"});
    long curlPeak = RunCommand(curlPeakRun);
    std::printf("upload peak memory: CHttpClient process %.1f MiB (streamed from disk), "
                "curl %.1f MiB\n",
                oursPeak / 1024.0, curlPeak / 1024.0);
    vellum::bench::PrintFigure("http.upload-peak-mb-64m", oursPeak / 1024.0, curlPeak / 1024.0, 3);

    Report("https download 64 MiB", "https.download-64m",
           DownloadTimes(downloadUrl(tls, tlsSmall), 64u << 20, trustCa, work, same), worst, same);
    Report("https download 256 MiB", "https.download-256m",
           DownloadTimes(downloadUrl(tls, tlsBig), 256u << 20, trustCa, work, same), worst, same);
    Report("https upload 64 MiB", "https.upload-64m",
           UploadTimes(tlsUpload, upload.string(), trustCa), worst);
    Report("https upload 256 MiB", "https.upload-256m",
           UploadTimes(tlsUpload, big.string(), trustCa), worst);

    StopServer(plain);
    StopServer(tls);
    fs::remove_all(work);
    std::printf("%.3f\n", worst);
    return 0;
}
