// The inbox view opened on a large notice table until its first paint,
// against a QTableView over a QSqlQueryModel (Qt's SQLite driver) of the
// same select, shown and painted in the same run.
//
// The file has 1,000,000 notices, one in ten (100,000) addressed to the
// user, and the folder indexes of CreateMailTables. Both sides start with
// their connection already open, as a host's would be: ours constructs the
// view, gives it the session, shows it (toolbar, grid, first fill of 200
// rows, unread colours); the reference sets the query on the
// model (which fetches its first 256 rows), sets the model on a table view,
// shows it. Both windows are 800 x 600; the clock stops when the event loop
// has painted the grid's or the table's viewport.
// Best of several alternating rounds; the last line is ours / reference.
#include "BenchFigure.h"
#include "PaintWatch.h"
#include "ScratchFolder.h"
#include "folders/MailNewListView.h"
#include "grid/GridCtrl.h"
#include "store/DbSession.h"
#include "store/MailTables.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr int kRows = 1000000;
constexpr int kRounds = 7;
constexpr const char* kUser = "wang";
constexpr int kWidth = 800;
constexpr int kHeight = 600;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "folder-view bench: %s\n", what.c_str());
    std::exit(1);
}

// Runs the event loop until a viewport was painted: the first paint the
// user sees.
void WaitForPaint(const ViewportPaints& paints, int paintsBefore)
{
    auto start = Clock::now();
    while (paints.count == paintsBefore) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        if (Seconds(start) > 10)
            Fail("nothing was painted within 10 seconds");
    }
}

void PrepareDatabase(CDbSession& session)
{
    std::string error;
    if (CreateMailTables(session, error) != 1)
        Fail("tables: " + error);
    std::string fill =
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < " +
        std::to_string(kRows) +
        ") insert into SystemMailNotify (MailFrom, MailTo, Subject, MailId, MailTime, Status) "
        "select 'li', case when i % 10 = 0 then '" +
        std::string(kUser) +
        "' else 'user' || (i % 97) end, 'Quarterly report, draft ' || i, i / 3 + 1, "
        "'2026-05-03 14:22:01', i % 2 from n";
    if (session.Execute(fill.c_str()) != 1)
        Fail("fill: " + session.GetLastErrorText());
}

double OpenOurs(CDbSession& session, ViewportPaints& paints, std::string* statement)
{
    int paintsBefore = paints.count;
    auto start = Clock::now();
    auto view = std::make_unique<CMailNewListView>();
    view->m_pSession = &session;
    view->m_strUserName = kUser;
    view->resize(kWidth, kHeight);
    view->show();
    WaitForPaint(paints, paintsBefore);
    double seconds = Seconds(start);
    if (!view->GetGrid() || view->GetGrid()->GetRowCount() != 201)
        Fail("the inbox did not fill 200 rows");
    if (statement)
        *statement = view->GetBinding().GetStatement();
    return seconds;
}

double OpenReference(const QSqlDatabase& database, const QString& statement, ViewportPaints& paints)
{
    int paintsBefore = paints.count;
    auto start = Clock::now();
    QSqlQueryModel model;
    model.setQuery(QSqlQuery(statement, database));
    QTableView table;
    table.setModel(&model);
    table.resize(kWidth, kHeight);
    table.show();
    WaitForPaint(paints, paintsBefore);
    double seconds = Seconds(start);
    if (model.lastError().isValid())
        Fail("reference query: " + model.lastError().text().toStdString());
    if (model.rowCount() < 200)
        Fail("the reference fetched too few rows");
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string home = vellum::bench::MakeModuleHome(VELLUM_SOURCE_DIR "/images");
    if (home.empty())
        return 1;
    QApplication app(argc, argv);
    ViewportPaints paints;
    app.installEventFilter(&paints);

    const std::string file = home + "mail.db";
    CDbSession session;
    if (session.Open(("Provider=SQLite;Data Source=" + file).c_str()) != 1)
        Fail("open: " + session.GetLastErrorText());
    PrepareDatabase(session);
    QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE");
    database.setDatabaseName(QString::fromStdString(file));
    if (!database.open())
        Fail("Qt's SQLite driver: " + database.lastError().text().toStdString());

    std::string statement;
    OpenOurs(session, paints, &statement); // warms the page cache for both sides
    const QString query = QString::fromStdString(statement);
    double ours = 1e9;
    double reference = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        ours = std::min(ours, OpenOurs(session, paints, nullptr));
        reference = std::min(reference, OpenReference(database, query, paints));
    }
    std::printf("Inbox opened and painted (%d x %d), %d notices, %d the user's, best of %d\n",
                kWidth, kHeight, kRows, kRows / 10, kRounds);
    std::printf("statement: %s\n", statement.c_str());
    std::printf("CMailNewListView %.2f ms, QTableView over QSqlQueryModel %.2f ms\n", ours * 1e3,
                reference * 1e3);
    database.close();
    session.Close();
    std::filesystem::remove_all(home);
    vellum::bench::PrintFigure("folder-view.inbox-1m", ours * 1e3, reference * 1e3, 1.0);
    std::printf("%.3f\n", ours / reference);
    return 0;
}
