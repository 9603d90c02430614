// An office's mail on PostgreSQL: 10,000,000 notices for 10,000 users and
// the 1,000,000 copies they name, loaded with COPY (the server reads the
// rows from a generator program) into the tables and indexes that init-db
// made. One user, "mid", has 1,000 notices, one, "big", 100,000, spread
// over the whole key range as mail arrives over the years.
//
// For each of the two users, best of several alternating rounds:
// - the inbox view (CMailNewListView over the host's open session) from
//   construction until its grid is painted;
// - `vellum list inbox` as a process, connection included;
// against psql as a process running the same select the view issues (with
// the row limit the view's page asks for), connection included. EXPLAIN of
// that select shows which index serves it. The last line is the worst
// ratio ours / psql.
#include "BenchFigure.h"
#include "PaintWatch.h"
#include "ScratchFolder.h"
#include "folders/MailNewListView.h"
#include "grid/GridCtrl.h"
#include "store/DbSession.h"
#include "store/MailTables.h"
#include "support/PgCluster.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr int kRounds = 5;
constexpr int kWidth = 800;
constexpr int kHeight = 600;

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "office bench: %s\n", what.c_str());
    std::exit(1);
}

void Execute(CDbSession& session, const std::string& sql)
{
    if (session.Execute(sql.c_str()) != 1)
        Fail(sql.substr(0, 80) + ": " + session.GetLastErrorText());
}

// Every hundredth notice is big's, one in ten thousand mid's, the rest go
// round 9,998 other users; each copy is named by ten notices.
void LoadOffice(CDbSession& session)
{
    std::string error;
    if (CreateMailTables(session, error) != 1)
        Fail("init-db: " + error);
    Execute(session, "alter table SystemMailNotify disable trigger SystemMailNotify_Announce");
    auto start = Clock::now();
    Execute(session, "copy SystemMailCopy(MailFrom, MailTo, Subject, Body, Attachment, MailTime) "
                     "from program 'awk \"BEGIN { for (n = 1; n <= 1000000; n++) "
                     "printf \\\"u%d\\\\tteam%d\\\\tQuarterly report %d\\\\t<P>report</P>"
                     "\\\\t\\\\t2026-05-03 14:22:01\\\\n\\\", n % 9998, n % 50, n }\"'");
    Execute(session, "copy SystemMailNotify(MailFrom, MailTo, Subject, MailId, MailTime, Status) "
                     "from program 'awk \"BEGIN { for (n = 1; n <= 10000000; n++) "
                     "printf \\\"u%d\\\\t%s\\\\tQuarterly report %d\\\\t%d\\\\t"
                     "2026-05-03 14:22:01\\\\t%d\\\\n\\\", n % 9998, "
                     "(n % 100 == 0 ? \\\"big\\\" : (n % 10000 == 5 ? \\\"mid\\\" : "
                     "\\\"u\\\" (n % 9998))), int(n / 10) + 1, int(n / 10) + 1, n % 2 }\"'");
    Execute(session, "alter table SystemMailNotify enable trigger SystemMailNotify_Announce");
    Execute(session, "vacuum analyze SystemMailNotify");
    Execute(session, "vacuum analyze SystemMailCopy");
    std::printf("loaded 1,000,000 copies and 10,000,000 notices with COPY in %.0f s\n",
                Milliseconds(start) / 1e3);
}

double OpenView(CDbSession& session, const std::string& user, ViewportPaints& paints,
                std::string* statement)
{
    int paintsBefore = paints.count;
    auto start = Clock::now();
    auto view = std::make_unique<CMailNewListView>();
    view->m_pSession = &session;
    view->m_strUserName = user;
    view->resize(kWidth, kHeight);
    view->show();
    while (paints.count == paintsBefore) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        if (Milliseconds(start) > 30000)
            Fail("the inbox was not painted within 30 s");
    }
    double elapsed = Milliseconds(start);
    if (!view->GetGrid() || view->GetGrid()->GetRowCount() != 201)
        Fail("the inbox of " + user + " did not fill 200 rows");
    if (statement)
        *statement = view->GetBinding().GetStatement();
    return elapsed;
}

double RunProcess(const std::string& command)
{
    auto start = Clock::now();
    if (std::system((command + " >/dev/null").c_str()) != 0)
        Fail("failed: " + command);
    return Milliseconds(start);
}

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct UserFigures
{
    double view = 1e9, list = 1e9, psql = 1e9;
};

UserFigures Measure(const vellum::testing::PgCluster& cluster, CDbSession& session,
                    const std::string& user, ViewportPaints& paints)
{
    std::string statement;
    OpenView(session, user, paints, &statement);
    std::string limited = statement + " limit 200";
    std::string explain = cluster.Psql("-c " + Quoted("explain " + limited));
    std::printf("EXPLAIN %s:\n", limited.c_str());
    std::fflush(stdout);
    if (std::system(explain.c_str()) != 0)
        Fail("explain failed");
    std::string list = std::string(VELLUM_CLI) + " list inbox --connect " +
                       Quoted(cluster.OdbcConnect()) + " --user " + user;
    std::string psql = cluster.Psql("-c " + Quoted(limited));
    UserFigures figures;
    for (int round = 0; round < kRounds; ++round) {
        figures.view = std::min(figures.view, OpenView(session, user, paints, nullptr));
        figures.list = std::min(figures.list, RunProcess(list));
        figures.psql = std::min(figures.psql, RunProcess(psql));
    }
    std::printf("%s: inbox view %.1f ms, vellum list inbox %.1f ms, psql %.1f ms\n", user.c_str(),
                figures.view, figures.list, figures.psql);
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("VELLUM_CODEPAGE", "UTF-8", 1);
    const std::string home = vellum::bench::MakeModuleHome(VELLUM_SOURCE_DIR "/images");
    if (home.empty())
        return 1;
    QApplication app(argc, argv);
    ViewportPaints paints;
    app.installEventFilter(&paints);

    vellum::testing::PgCluster cluster(
        "-c shared_buffers=512MB -c max_wal_size=8GB -c checkpoint_timeout=30min");
    std::string connect = cluster.OdbcConnect();
    if (connect.empty())
        Fail("no PostgreSQL cluster (PostgreSQL 15 and psqlODBC needed)");
    CDbSession session;
    if (session.Open(connect.c_str()) != 1)
        Fail(session.GetLastErrorText());
    LoadOffice(session);

    UserFigures mid = Measure(cluster, session, "mid", paints);
    UserFigures big = Measure(cluster, session, "big", paints);
    session.Close();
    std::filesystem::remove_all(home);

    vellum::bench::PrintFigure("office.view-1k", mid.view, mid.psql, 1.5);
    vellum::bench::PrintFigure("office.list-1k", mid.list, mid.psql, 1.5);
    vellum::bench::PrintFigure("office.view-100k", big.view, big.psql, 1.5);
    vellum::bench::PrintFigure("office.list-100k", big.list, big.psql, 1.5);
    double worst = std::max(
        {mid.view / mid.psql, mid.list / mid.psql, big.view / big.psql, big.list / big.psql});
    std::printf("%.3f\n", worst);
    return 0;
}
