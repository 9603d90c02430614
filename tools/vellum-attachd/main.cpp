// vellum-attachd: the attachment server of a host installation. --help
// lists the options. Prints "listening on http://HOST:PORT/" (https with a
// certificate) once it
// accepts connections (with --port 0 the system picks the port), logs one
// line per request to stderr and stops cleanly on SIGTERM or SIGINT.
#include "AttachmentServer.h"
#include "FolderStore.h"
#include "PostgresStore.h"
#include "TicketCheck.h"
#include "base/SecretFile.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <pthread.h>
#include <sys/resource.h>
#include <thread>

namespace {

const char kUsage[] =
    "usage: vellum-attachd [--storage folder] --root DIR [options]\n"
    "       vellum-attachd --storage postgres --database CONNINFO [options]\n"
    "\n"
    "Serves the upload and download pages of the mail module's attachments.\n"
    "\n"
    "  --storage folder|postgres  where attachments live (default folder)\n"
    "  --root DIR                 the folder holding them (folder storage)\n"
    "  --database CONNINFO        libpq connection string of the PostgreSQL database\n"
    "                             holding them (postgres storage), e.g.\n"
    "                             \"host=db.example dbname=host user=vellum\"; several\n"
    "                             servers may share one database\n"
    "  --database-file FILE       the first line of FILE (only its owner may read it) is\n"
    "                             the CONNINFO; without --database and --database-file,\n"
    "                             the variable VELLUM_ATTACHD_DATABASE gives it, which\n"
    "                             keeps a password out of the process list\n"
    "  --access open|per-user     who may upload and download: anyone who reaches the\n"
    "                             server (open, the default), or only users of the\n"
    "                             database, each with a ticket their desk takes from it\n"
    "                             (per-user: needs postgres storage on a database made\n"
    "                             with vellum init-db --per-user)\n"
    "  --listen ADDRESS           address to listen on (default 127.0.0.1)\n"
    "  --port N                   port (default 8080; 0 picks a free one)\n"
    "  --tls-cert FILE            serve https with this certificate chain (PEM);\n"
    "                             needs --tls-key\n"
    "  --tls-key FILE             the certificate's private key (PEM)\n"
    "  --type .EXT                page suffix: /upload.EXT, /download.EXT (default .jsp)\n"
    "  --max-size BYTES           largest file accepted (default 1073741824)\n"
    "  --threads N                worker threads (default: one per processor, at least 2)\n"
    "  --database-workers N       threads (each with one connection) that make the\n"
    "                             postgres store's calls (default 4)\n"
    "  --database-wait SECONDS    longest wait for a free one before the answer is 503\n"
    "                             (default 5)\n"
    "  --statement-timeout SECONDS  longest database statement (default 30)\n"
    "  --stage-folder DIR         where uploads to postgres storage are held until\n"
    "                             their last byte (default: $TMPDIR or /tmp)\n"
    "  --max-connections N        connections served at once (default 10000)\n"
    "  --max-per-address N        connections one client address may hold (default 2000)\n"
    "  --head-timeout SECONDS     total time a request head may take to arrive\n"
    "                             (default 30)\n"
    "  --idle-timeout SECONDS     longest stall of a body or a download (default 60)\n"
    "  --help                     this text\n";

bool ParseNumber(const char* text, uint64_t& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text, &end, 10);
    return *text && *text != '-' && end && *end == '\0' && errno == 0;
}

bool ParseOption(const std::string& name, const char* value, ServerOptions& options)
{
    uint64_t number = 0;
    bool isNumber = ParseNumber(value, number);
    if (name == "--storage" &&
        (std::strcmp(value, "folder") == 0 || std::strcmp(value, "postgres") == 0))
        options.storage = value;
    else if (name == "--access" &&
             (std::strcmp(value, "open") == 0 || std::strcmp(value, "per-user") == 0))
        options.perUser = std::strcmp(value, "per-user") == 0;
    else if (name == "--root")
        options.root = value;
    else if (name == "--database")
        options.database = value;
    else if (name == "--database-file")
        options.databaseFile = value;
    else if (name == "--stage-folder")
        options.stageFolder = value;
    else if (name == "--listen")
        options.listen = value;
    else if (name == "--tls-cert")
        options.tlsCert = value;
    else if (name == "--tls-key")
        options.tlsKey = value;
    else if (name == "--type")
        options.type = value;
    else if (name == "--port" && isNumber && number <= 65535)
        options.port = static_cast<int>(number);
    else if (name == "--max-size" && isNumber)
        options.maxSize = number;
    else if (name == "--threads" && isNumber && number <= 256)
        options.threads = static_cast<unsigned>(number);
    else if (name == "--database-workers" && isNumber && number > 0 && number <= 256)
        options.databaseWorkers = static_cast<unsigned>(number);
    else if (name == "--database-wait" && isNumber && number <= 3600)
        options.databaseWait = std::chrono::seconds(number);
    else if (name == "--statement-timeout" && isNumber && number > 0 && number <= 86400)
        options.statementTimeout = std::chrono::seconds(number);
    else if (name == "--max-connections" && isNumber && number > 0 && number <= 1000000)
        options.maxConnections = static_cast<unsigned>(number);
    else if (name == "--max-per-address" && isNumber && number > 0 && number <= 1000000)
        options.maxPerAddress = static_cast<unsigned>(number);
    else if (name == "--head-timeout" && isNumber && number > 0 && number <= 3600)
        options.headTimeout = std::chrono::seconds(number);
    else if (name == "--idle-timeout" && isNumber && number > 0 && number <= 86400)
        options.idleTimeout = std::chrono::seconds(number);
    else
        return false;
    return true;
}

// The connection string of the database store: --database, else the first
// line of --database-file, else VELLUM_ATTACHD_DATABASE. The last two keep
// a password out of the arguments, which every user may read.
bool FindDatabase(ServerOptions& options)
{
    if (!options.database.empty())
        return true;
    if (!options.databaseFile.empty()) {
        std::string why;
        std::optional<std::string> read = ReadSecretFile(options.databaseFile, why);
        if (!read)
            std::fprintf(stderr, "vellum-attachd: --database-file: %s\n", why.c_str());
        options.database = read.value_or("");
        return read.has_value();
    }
    if (const char* given = std::getenv("VELLUM_ATTACHD_DATABASE"))
        options.database = given;
    return !options.database.empty();
}

bool ParseOptions(int argc, char** argv, ServerOptions& options)
{
    // Options come in pairs: a name and its value.
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 >= argc || !ParseOption(argv[i], argv[i + 1], options))
            return false;
        // Read above; other users would read it in /proc/PID/cmdline.
        if (std::strcmp(argv[i], "--database") == 0)
            std::memset(argv[i + 1], '*', std::strlen(argv[i + 1]));
    }
    if (options.tlsCert.empty() != options.tlsKey.empty())
        return false;
    if (options.storage == "postgres")
        return FindDatabase(options);
    if (options.perUser) {
        std::fputs("vellum-attachd: --access per-user needs --storage postgres, whose "
                   "database knows the users\n",
                   stderr);
        return false;
    }
    return !options.root.empty();
}

bool AsksForHelp(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return true;
    }
    return false;
}

// Every connection is a descriptor: thousands of idle or slow clients must
// not exhaust the default soft limit of 1024 while the hard limit allows
// more.
void RaiseDescriptorLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
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

std::unique_ptr<AttachmentStore> MakeStore(const ServerOptions& options)
{
    if (options.storage == "postgres")
        return std::make_unique<PostgresStore>(options.database, options.databaseWorkers,
                                               options.statementTimeout);
    return std::make_unique<FolderStore>(options.root);
}

} // namespace

int main(int argc, char** argv)
{
    if (AsksForHelp(argc, argv)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    ServerOptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    RaiseDescriptorLimit();
    std::unique_ptr<AttachmentStore> store = MakeStore(options);
    if (!store->Prepare())
        return 1;
    // Per-user access comes only with the postgres store (ParseOptions).
    PostgresStore* tickets = options.perUser ? static_cast<PostgresStore*>(store.get()) : nullptr;
    if (tickets && !TicketsAreKept(*tickets))
        return 1;
    sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::thread stopper;
    bool listened = RunAttachmentServer(options, *store, tickets, [&](std::function<void()> stop) {
        stopper = std::thread([&signals, stop] {
            int signal = 0;
            sigwait(&signals, &signal);
            stop();
        });
    });
    if (stopper.joinable()) {
        pthread_kill(stopper.native_handle(), SIGUSR1);
        stopper.join();
    }
    if (!listened)
        return 1;
    std::fprintf(stderr, "vellum-attachd: stopped\n");
    return 0;
}
