// vellum-attachd: the attachment server of a host installation.
//
//   vellum-attachd --root DIR [--listen 127.0.0.1] [--port N] [--type .jsp]
//                  [--max-size BYTES]
//
// Prints "listening on http://HOST:PORT/" once it accepts connections (with
// --port 0 the system picks the port), logs one line per request to stderr
// and stops cleanly on SIGTERM or SIGINT.
#include "AttachmentServer.h"
#include "AttachmentStore.h"

#include <httplib.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <thread>

namespace {

const char kUsage[] = "usage: vellum-attachd --root DIR [--listen 127.0.0.1] [--port N] "
                      "[--type .jsp] [--max-size BYTES]\n";

bool ParseNumber(const char* text, uint64_t& value)
{
    char* end = nullptr;
    value = std::strtoull(text, &end, 10);
    return *text && end && *end == '\0';
}

bool ParseOptions(int argc, char** argv, ServerOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (i + 1 >= argc)
            return false;
        const char* value = argv[++i];
        uint64_t number = 0;
        if (name == "--root")
            options.root = value;
        else if (name == "--listen")
            options.listen = value;
        else if (name == "--type")
            options.type = value;
        else if (name == "--port" && ParseNumber(value, number) && number <= 65535)
            options.port = static_cast<int>(number);
        else if (name == "--max-size" && ParseNumber(value, number))
            options.maxSize = number;
        else
            return false;
    }
    return !options.root.empty();
}

// Signals are taken by one thread with sigwait, so stopping the server
// happens outside a signal handler.
sigset_t StopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGUSR1); // sent by main itself when the server ends first
    return set;
}

} // namespace

int main(int argc, char** argv)
{
    ServerOptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    AttachmentStore store(options.root);
    if (!store.Prepare()) {
        std::fprintf(stderr, "vellum-attachd: cannot use the folder %s\n", options.root.c_str());
        return 1;
    }
    sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    httplib::Server server;
    InstallAttachmentPages(server, store, options);
    int port = options.port;
    if (port == 0)
        port = server.bind_to_any_port(options.listen);
    else if (!server.bind_to_port(options.listen, port))
        port = -1;
    if (port <= 0) {
        std::fprintf(stderr, "vellum-attachd: cannot listen on %s:%d\n", options.listen.c_str(),
                     options.port);
        return 1;
    }

    std::atomic<bool> stopping{false};
    std::thread stopper([&] {
        int signal = 0;
        sigwait(&signals, &signal);
        stopping = true;
        server.stop();
    });
    std::printf("listening on http://%s:%d/\n", options.listen.c_str(), port);
    std::fflush(stdout);
    bool clean = server.listen_after_bind();
    if (!stopping)
        pthread_kill(stopper.native_handle(), SIGUSR1);
    stopper.join();
    std::fprintf(stderr, "vellum-attachd: stopped\n");
    return clean || stopping ? 0 : 1;
}
