// The live feed at office scale. Two vellum-attachd processes serve the
// feed from one throwaway PostgreSQL server; 10,000 desks subscribe, split
// between them: 9,950 simulated here (a FeedListener each, as the host's
// inbox watch opens it) and 50 real vellum-host processes, whose sessions
// go through pgbouncer in transaction mode (a pool of 10 server
// connections) and whose live inboxes hear through the feed. Each figure
// against its budget:
// - a mail to one user reaches that user's desk: p99 of 200 mails, 1 s;
// - a mail to all reaches every desk, and every real host has read its
//   inbox again: 3 s;
// - the database's statements for a mail to one user (pg_stat_statements)
//   with 10,000 desks subscribed, against the same with 1,000: no more;
// - the database's connections: at most the pool, one per feed process
//   and this bench's own session;
// - the feeds' resident memory grown over the subscribing, per desk: 20 KB;
// - one feed process killed: its desks, which come back after a random
//   wait as the host's do, are all on the other within 30 s, and every
//   real host has read its inbox again (mail sent meanwhile is not
//   missed); a mail to all afterwards still reaches every desk.
// The last line is the worst ratio.
#include "BenchFigure.h"
#include "mail/AttachServerProcess.h"
#include "net/FeedListener.h"
#include "net/HttpClient.h"
#include "support/PgCluster.h"
#include "support/PgbouncerProcess.h"

#include <libpq-fe.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kDesks = 10000;
constexpr int kHosts = 50; // desks 0 to 49, users h00 to h49
constexpr int kFirstCount = 1000;
constexpr int kPoolSize = 10;
constexpr int kOneUserMails = 200;

using Clock = std::chrono::steady_clock;
using vellum::bench::MillisecondsSince;
using vellum::bench::PrintFigure;
using vellum::testing::AttachServerProcess;

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "office-live bench: %s\n", what.c_str());
    std::exit(1);
}

std::string DeskUser(int desk)
{
    char name[16];
    std::snprintf(name, sizeof name, desk < kHosts ? "h%02d" : "u%05d", desk);
    return name;
}

class Database
{
public:
    explicit Database(const std::string& conninfo) : m_connection(PQconnectdb(conninfo.c_str()))
    {
        if (PQstatus(m_connection) != CONNECTION_OK)
            Fail(std::string("cannot connect: ") + PQerrorMessage(m_connection));
    }
    ~Database() { PQfinish(m_connection); }

    std::string Value(const std::string& sql)
    {
        PGresult* result = PQexec(m_connection, sql.c_str());
        ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
            Fail(sql.substr(0, 60) + ": " + PQerrorMessage(m_connection));
        std::string value = PQntuples(result) > 0 ? PQgetvalue(result, 0, 0) : "";
        PQclear(result);
        return value;
    }

    long Number(const std::string& sql) { return std::atol(Value(sql).c_str()); }

    // Statements the server ran, but for these counts themselves.
    long Statements()
    {
        return Number("select coalesce(sum(calls), 0) from pg_stat_statements where query not "
                      "like '%pg_stat%'");
    }

    // How often the hosts' inbox watches read their state.
    long HostReads()
    {
        return Number("select coalesce(sum(calls), 0) from pg_stat_statements where query like "
                      "'%as Newest%'");
    }

    void MailTo(const std::string& user)
    {
        Value("insert into SystemMailNotify (MailFrom, MailTo, Subject, MailId, Status) values "
              "('boss', '" +
              user + "', 'news', 0, 0)");
    }

    void MailToAll()
    {
        Value("insert into SystemMailNotify (MailFrom, MailTo, Subject, MailId, Status) select "
              "'boss', case when i < " +
              std::to_string(kHosts) +
              " then 'h' || lpad(i::text, 2, '0') else 'u' || lpad(i::text, 5, '0') end, "
              "'news', 0, 0 from generate_series(0, " +
              std::to_string(kDesks - 1) + ") i");
    }

private:
    PGconn* m_connection;
};

long ResidentKilobytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

long Subscribers(const AttachServerProcess& server)
{
    CHttpClient client;
    if (client.Request("GET", server.BaseUrl() + "metrics") != 1)
        return -1;
    const std::string series = "\nvellum_attachd_feed_subscribers ";
    size_t at = client.m_textBody.find(series);
    return at == std::string::npos ? -1 : std::atol(client.m_textBody.c_str() + at + series.size());
}

// The simulated desks, each on one of the two feed servers.
class Desks
{
public:
    explicit Desks(std::vector<const AttachServerProcess*> servers)
        : m_servers(std::move(servers)), m_desks(kDesks), m_epoll(epoll_create1(EPOLL_CLOEXEC))
    {
    }

    void Subscribe(int desk, int server)
    {
        Desk& d = m_desks[static_cast<size_t>(desk)];
        d.feed = std::make_unique<FeedListener>();
        d.server = server;
        d.lost = false;
        if (!d.feed->Open(m_servers[static_cast<size_t>(server)]->BaseUrl(), DeskUser(desk), ""))
            Fail("desk " + DeskUser(desk) + ": " + d.feed->LastError());
        epoll_event event{EPOLLIN, {}};
        event.data.u32 = static_cast<uint32_t>(desk);
        epoll_ctl(m_epoll, EPOLL_CTL_ADD, d.feed->SocketDescriptor(), &event);
    }

    void ForgetHeard()
    {
        for (Desk& desk : m_desks)
            desk.heard = {};
    }

    bool Heard(int desk) const
    {
        return m_desks[static_cast<size_t>(desk)].heard != Clock::time_point{};
    }

    // The latest first notice among the simulated desks, from `start`.
    double LastHeardSince(Clock::time_point start) const
    {
        Clock::time_point last = start;
        for (size_t desk = kHosts; desk < m_desks.size(); ++desk)
            last = std::max(last, m_desks[desk].heard);
        return std::chrono::duration<double, std::milli>(last - start).count();
    }

    bool AllHeard() const
    {
        for (int desk = kHosts; desk < kDesks; ++desk)
            if (!Heard(desk))
                return false;
        return true;
    }

    // Takes notices as they come until `done` or the time is up; a desk
    // that lost its server subscribes again at the other one after a
    // random wait of 0.5 to 1.5 s, as the host's watch does.
    bool Until(const std::function<bool()>& done, std::chrono::milliseconds limit)
    {
        const Clock::time_point end = Clock::now() + limit;
        epoll_event events[512];
        while (!done()) {
            if (Clock::now() > end)
                return false;
            int ready = epoll_wait(m_epoll, events, 512, 20);
            for (int i = 0; i < ready; ++i)
                Take(static_cast<int>(events[i].data.u32));
            ComeBack();
        }
        return true;
    }

private:
    struct Desk
    {
        std::unique_ptr<FeedListener> feed;
        int server = 0;
        bool lost = false;
        Clock::time_point heard, back;
    };

    void Take(int index)
    {
        Desk& desk = m_desks[static_cast<size_t>(index)];
        int notices = 0;
        bool open = desk.feed->TakeNotices(notices);
        if (notices > 0 && desk.heard == Clock::time_point{})
            desk.heard = Clock::now();
        if (open || desk.lost)
            return;
        desk.lost = true;
        std::uniform_int_distribution<int> wait(500, 1500);
        desk.back = Clock::now() + std::chrono::milliseconds(wait(m_random));
    }

    void ComeBack()
    {
        for (int index = kHosts; index < kDesks; ++index) {
            Desk& desk = m_desks[static_cast<size_t>(index)];
            if (desk.lost && Clock::now() >= desk.back)
                Subscribe(index, 1 - desk.server);
        }
    }

    std::vector<const AttachServerProcess*> m_servers;
    std::vector<Desk> m_desks;
    int m_epoll;
    std::minstd_rand m_random{7};
};

// A real desk: vellum-host with its own module home, whose tolvan.ini
// names both feed servers.
pid_t StartHost(int index, const std::string& folder, const std::string& pooled,
                const std::string& feeds)
{
    const std::string home = folder + "host" + std::to_string(index) + "/";
    std::filesystem::create_directories(home + "data");
    std::ofstream(home + "data/tolvan.ini") << "[.]\nFeedServer=" << feeds << "\n";
    std::vector<std::string> words = {VELLUM_HOST, "--connect", pooled, "--user", DeskUser(index)};
    std::vector<std::string> settings = {"VELLUM_HOME=" + home, "QT_QPA_PLATFORM=offscreen"};
    for (char** entry = environ; *entry; ++entry)
        if (std::strncmp(*entry, "VELLUM_HOME=", 12) != 0 &&
            std::strncmp(*entry, "QT_QPA_PLATFORM=", 16) != 0)
            settings.emplace_back(*entry);
    std::vector<char*> argv, envp;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    for (std::string& setting : settings)
        envp.push_back(setting.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log = home + "host.log";
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        Fail("cannot start vellum-host");
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void RaiseDescriptorLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// The statements of one mail to a simulated desk's user, once it is heard.
long StatementsOfOneMail(Database& database, Desks& desks, int desk)
{
    desks.ForgetHeard();
    long before = database.Statements();
    database.MailTo(DeskUser(desk));
    if (!desks.Until([&] { return desks.Heard(desk); }, std::chrono::seconds(10)))
        Fail("a mail to " + DeskUser(desk) + " was never heard");
    return database.Statements() - before;
}

double OneUserP99(Database& database, Desks& desks)
{
    std::vector<double> times;
    std::minstd_rand random(11);
    std::uniform_int_distribution<int> pick(kHosts, kDesks - 1);
    for (int mail = 0; mail < kOneUserMails; ++mail) {
        int desk = pick(random);
        desks.ForgetHeard();
        Clock::time_point start = Clock::now();
        database.MailTo(DeskUser(desk));
        if (!desks.Until([&] { return desks.Heard(desk); }, std::chrono::seconds(10)))
            Fail("a mail to " + DeskUser(desk) + " was never heard");
        times.push_back(MillisecondsSince(start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() * 99 / 100 - 1];
}

} // namespace

int main()
{
    RaiseDescriptorLimit();
    std::signal(SIGPIPE, SIG_IGN);
    vellum::testing::PgCluster cluster("-c shared_preload_libraries=pg_stat_statements");
    const std::string odbc = cluster.OdbcConnect();
    if (odbc.empty())
        Fail("no PostgreSQL: " + cluster.Error());
    const std::string conninfo =
        "host=127.0.0.1 dbname=postgres user=postgres port=" + std::to_string(cluster.Port());
    if (std::system(
            (std::string(VELLUM_CLI) + " init-db --connect '" + odbc + "' >/dev/null").c_str()) !=
        0)
        Fail("vellum init-db failed");
    Database database(conninfo);
    database.Value("create extension if not exists pg_stat_statements");
    vellum::testing::PgbouncerProcess pooler(std::to_string(cluster.Port()), kPoolSize);
    if (!pooler.Port())
        Fail(pooler.Error());
    const std::string pooled = vellum::testing::WithPort(odbc, pooler.Port());

    char pattern[] = "/tmp/vellum-office-live-XXXXXX";
    if (!mkdtemp(pattern))
        Fail("no scratch folder");
    const std::string folder = std::string(pattern) + "/";
    setenv("VELLUM_ATTACHD_DATABASE", conninfo.c_str(), 1);
    const std::vector<std::string> options = {"--storage", "postgres",          "--max-per-address",
                                              "20000",     "--max-connections", "20000"};
    auto first = std::make_unique<AttachServerProcess>(folder + "feed1", options);
    AttachServerProcess second(folder + "feed2", options);
    unsetenv("VELLUM_ATTACHD_DATABASE");
    if (!first->Port() || !second.Port())
        Fail("a feed server did not start");
    const long residentBefore = ResidentKilobytes(first->Pid()) + ResidentKilobytes(second.Pid());

    Desks desks({first.get(), &second});
    for (int desk = kHosts; desk < kHosts + kFirstCount; ++desk)
        desks.Subscribe(desk, desk % 2);
    const long statementsFew = StatementsOfOneMail(database, desks, kHosts);
    for (int desk = kHosts + kFirstCount; desk < kDesks; ++desk)
        desks.Subscribe(desk, desk % 2);
    const long statementsMany = StatementsOfOneMail(database, desks, kDesks - 1);
    const double kilobytesPerDesk =
        static_cast<double>(ResidentKilobytes(first->Pid()) + ResidentKilobytes(second.Pid()) -
                            residentBefore) /
        (kDesks - kHosts);

    std::vector<pid_t> hosts;
    const std::string feeds = first->BaseUrl() + " " + second.BaseUrl();
    for (int host = 0; host < kHosts; ++host)
        hosts.push_back(StartHost(host, folder, pooled, feeds));
    auto everyoneSubscribed = [&] { return Subscribers(*first) + Subscribers(second) == kDesks; };
    if (!desks.Until(everyoneSubscribed, std::chrono::seconds(300)))
        Fail("the real hosts did not all subscribe; see " + folder + "host*/host.log");
    const long connections =
        database.Number("select count(*) from pg_stat_activity where backend_type = 'client "
                        "backend'");

    const double p99 = OneUserP99(database, desks);

    desks.ForgetHeard();
    const long readsBefore = database.HostReads();
    Clock::time_point start = Clock::now();
    database.MailToAll();
    bool allHeard = desks.Until(
        [&] { return desks.AllHeard() && database.HostReads() >= readsBefore + kHosts; },
        std::chrono::seconds(30));
    const double toAll = allHeard ? MillisecondsSince(start) : 1e9;
    std::printf("mail to all: last simulated desk %.0f ms, every host read again by %.0f ms\n",
                desks.LastHeardSince(start), toAll);

    // Mail that comes while the desks move is read by every real host once
    // it is back, and mail after the move reaches every desk again.
    start = Clock::now();
    kill(first->Pid(), SIGKILL);
    const long readsAtKill = database.HostReads();
    for (int host = 0; host < kHosts; ++host)
        database.MailTo(DeskUser(host));
    bool moved = desks.Until(
        [&] {
            return Subscribers(second) == kDesks && database.HostReads() >= readsAtKill + kHosts;
        },
        std::chrono::seconds(90));
    const double failover = moved ? MillisecondsSince(start) : 1e9;
    desks.ForgetHeard();
    const long readsAfterMove = database.HostReads();
    start = Clock::now();
    database.MailToAll();
    bool allAgain = desks.Until(
        [&] { return desks.AllHeard() && database.HostReads() >= readsAfterMove + kHosts; },
        std::chrono::seconds(30));
    std::printf("after the move: mail to all heard everywhere in %.0f ms\n",
                allAgain ? MillisecondsSince(start) : -1.0);
    first.reset();
    for (pid_t host : hosts)
        kill(host, SIGTERM);
    for (pid_t host : hosts)
        waitpid(host, nullptr, 0);
    std::filesystem::remove_all(folder);

    std::printf("statements for one mail: %ld with %d desks, %ld with %d\n", statementsFew,
                kFirstCount, statementsMany, kDesks);
    const double allowedConnections = kPoolSize + 2 + 1;
    PrintFigure("office-live.one-user-p99", p99, 1000, 1);
    PrintFigure("office-live.all-desks", toAll, 3000, 1);
    PrintFigure("office-live.statements-per-mail", static_cast<double>(statementsMany),
                static_cast<double>(statementsFew), 1);
    PrintFigure("office-live.db-connections", static_cast<double>(connections), allowedConnections,
                1);
    PrintFigure("office-live.feed-kb-per-desk", kilobytesPerDesk, 20, 1);
    PrintFigure("office-live.failover", allAgain ? failover : 1e9, 30000, 1);
    const double worst =
        std::max({p99 / 1000, toAll / 3000, static_cast<double>(statementsMany) / statementsFew,
                  connections / allowedConnections, kilobytesPerDesk / 20,
                  (allAgain ? failover : 1e9) / 30000});
    std::printf("%.3f\n", worst);
    return 0;
}
