// 200 open inboxes on one PostgreSQL server: each is vellum-host's
// InboxWatch for its own user, whose inbox holds 10,000 notices. A sender
// on another thread sends through MailSender (the path of the compose
// dialog and `vellum send`) to three of the users at a time; the latency of
// a delivery runs from the moment the send starts to the moment the
// recipient's watch reports the new state. The reference, in the same
// run, is one bare libpq LISTEN on each recipient's channel, which hears
// the commit and reads nothing: the floor any watch could reach.
//
// Then nothing is sent for a while, and the server's CPU time (postmaster
// and every backend) over that time is the idle cost of the 200 watches.
// The last line is ours p99 / 1000 ms, the budget of a delivery.
#include "BenchFigure.h"
#include "InboxWatch.h"
#include "base/IniDocument.h"
#include "mail/MailSender.h"
#include "db/ChangeListener.h"
#include "store/DbSession.h"
#include "store/MailTables.h"
#include "support/PgCluster.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

namespace {

constexpr int kWatchers = 200;
constexpr int kNoticesEach = 10000;
constexpr int kSends = 60;
constexpr int kIdleSeconds = 10;

using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "inbox-watch bench: %s\n", what.c_str());
    std::exit(1);
}

std::string UserName(int index)
{
    return "user" + std::to_string(index);
}

// CPU seconds (user + system) of a process and its direct children.
double ServerCpuSeconds(int postmaster)
{
    double ticks = 0;
    DIR* proc = opendir("/proc");
    while (dirent* entry = readdir(proc)) {
        int pid = std::atoi(entry->d_name);
        if (pid <= 0)
            continue;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(line.substr(close + 2));
        std::string state;
        long ppid = 0;
        fields >> state >> ppid;
        if (pid != postmaster && ppid != postmaster)
            continue;
        std::string skip;
        for (int i = 0; i < 9; ++i)
            fields >> skip;
        double utime = 0, stime = 0;
        fields >> utime >> stime;
        ticks += utime + stime;
    }
    closedir(proc);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void Execute(CDbSession& session, const std::string& sql)
{
    if (!session.Execute(sql.c_str()))
        Fail(sql + ": " + session.GetLastErrorText());
}

// 10,000 notices for each watched user, written by the server itself with
// the announcing trigger off (the fill is no mail anybody waits for).
void FillInboxes(CDbSession& session)
{
    std::string error;
    if (!CreateMailTables(session, error))
        Fail(error);
    Execute(session, "alter table SystemMailNotify disable trigger SystemMailNotify_Announce");
    Execute(session, "insert into SystemMailNotify(MailFrom, MailTo, Subject, MailId, MailTime, "
                     "Status) select 'boss', 'user' || (n % " +
                         std::to_string(kWatchers) +
                         "), 'notice ' || n, n, '2026-12-01 08:00:00', 1 from generate_series(1, " +
                         std::to_string(kWatchers * kNoticesEach) + ") n");
    Execute(session, "alter table SystemMailNotify enable trigger SystemMailNotify_Announce");
    Execute(session, "analyze SystemMailNotify");
}

double Percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

// When each send started, by subject number, shared with the sender thread.
struct SendClock
{
    std::mutex lock;
    std::map<int, Clock::time_point> started; // send number -> start
    int current = -1;

    void Start(int send)
    {
        std::lock_guard<std::mutex> hold(lock);
        started[send] = Clock::now();
        current = send;
    }
    // The latency of the send that is on its way now, in ms.
    double SinceCurrent()
    {
        std::lock_guard<std::mutex> hold(lock);
        return std::chrono::duration<double, std::milli>(Clock::now() - started[current]).count();
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    vellum::testing::PgCluster cluster("-c max_connections=500 -c shared_buffers=256MB");
    std::string connect = cluster.OdbcConnect();
    if (connect.empty())
        Fail("no PostgreSQL cluster (PostgreSQL 15 and psqlODBC needed)");
    CDbSession session;
    if (!session.Open(connect.c_str()))
        Fail(session.GetLastErrorText());
    std::printf("filling %d inboxes of %d notices each...\n", kWatchers, kNoticesEach);
    std::fflush(stdout);
    FillInboxes(session);

    // Ours: one InboxWatch per user, each with its own listening connection.
    SendClock clock;
    std::vector<double> ours, reference;
    std::vector<std::unique_ptr<InboxWatch>> watches;
    for (int i = 0; i < kWatchers; ++i) {
        auto watch = std::make_unique<InboxWatch>(session);
        watch->SetListenConnect(connect);
        watch->Watch(UserName(i));
        if (!watch->IsListening())
            Fail("watch " + std::to_string(i) + " is not listening");
        QObject::connect(watch.get(), &InboxWatch::Changed,
                         [&](const InboxState& previous, const InboxState& now) {
                             if (now.NoticesDifferFrom(previous))
                                 ours.push_back(clock.SinceCurrent());
                         });
        watches.push_back(std::move(watch));
    }
    // The reference: bare listeners on the same channels, reading nothing.
    std::vector<std::unique_ptr<vellum::db::ChangeListener>> bare;
    std::vector<std::unique_ptr<QSocketNotifier>> bareNotifiers;
    for (int i = 0; i < kWatchers; ++i) {
        auto listener = std::make_unique<vellum::db::ChangeListener>();
        std::vector<std::optional<std::string>> channel;
        if (!listener->Open(connect) ||
            !listener->Query(kInboxChannelQuery, {UserName(i)}, channel) ||
            !listener->Listen(*channel[0]))
            Fail("bare listener: " + listener->LastError());
        auto notifier =
            std::make_unique<QSocketNotifier>(listener->SocketDescriptor(), QSocketNotifier::Read);
        vellum::db::ChangeListener* raw = listener.get();
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [&, raw] {
            int notices = 0;
            if (raw->TakeNotices(notices) && notices > 0)
                reference.push_back(clock.SinceCurrent());
        });
        bare.push_back(std::move(listener));
        bareNotifiers.push_back(std::move(notifier));
    }

    // The sender: kSends sends, each to three users, 100 ms apart.
    std::atomic<bool> sent{false};
    std::thread sender([&] {
        CDbSession own;
        if (!own.Open(connect.c_str()))
            Fail(own.GetLastErrorText());
        for (int send = 0; send < kSends; ++send) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            int key = -1;
            CIniDocument exchange;
            MailFields fields;
            fields.sender = "boss";
            fields.mailTo = UserName(send * 7 % kWatchers) + ";" +
                            UserName((send * 7 + 1) % kWatchers) + ";" +
                            UserName((send * 7 + 2) % kWatchers);
            fields.subject = "news " + std::to_string(send);
            fields.body = "<P>office news</P>";
            MailSender mail(&own, "boss", key, exchange, [](const std::string&) {});
            if (mail.Save(fields) < 1)
                Fail("save failed");
            clock.Start(send);
            if (mail.Deliver(fields) != SendOutcome::Sent)
                Fail("send failed: " + own.GetLastErrorText());
            // Let the three deliveries land before the next send starts.
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
        sent = true;
    });
    while (!sent)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    sender.join();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 500);

    int postmaster = cluster.PostmasterPid();
    double cpuBefore = ServerCpuSeconds(postmaster);
    auto idleStart = Clock::now();
    while (Clock::now() - idleStart < std::chrono::seconds(kIdleSeconds))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    double idleCpu = (ServerCpuSeconds(postmaster) - cpuBefore) / kIdleSeconds;

    std::printf("%d watches, %d notices each, %d sends to 3 of them\n", kWatchers, kNoticesEach,
                kSends);
    std::printf("deliveries heard: ours %zu, bare LISTEN %zu (of %d)\n", ours.size(),
                reference.size(), kSends * 3);
    std::printf("latency ms: ours p50 %.1f p99 %.1f max %.1f; bare LISTEN p50 %.1f p99 %.1f\n",
                Percentile(ours, 0.5), Percentile(ours, 0.99), Percentile(ours, 1.0),
                Percentile(reference, 0.5), Percentile(reference, 0.99));
    std::printf("server CPU while idle: %.2f%% of one core over %d s\n", idleCpu * 100,
                kIdleSeconds);
    if (ours.size() != static_cast<size_t>(kSends * 3))
        Fail("a delivery was not heard");
    vellum::bench::PrintFigure("watch.latency-p50", Percentile(ours, 0.5),
                               Percentile(reference, 0.5), 100);
    vellum::bench::PrintFigure("watch.latency-p99", Percentile(ours, 0.99),
                               Percentile(reference, 0.99), 100);
    std::printf("%.3f\n", Percentile(ours, 0.99) / 1000.0);
    return 0;
}
