// The inbox's first fill: CGridBinding::Fill of a user's notices into a text
// grid, against the sqlite3 tool running the same select with "limit 200"
// on the same file in the same run. The file is made by `vellum init-db`
// (so it has the folder indexes) and then filled with notices, one in ten
// addressed to the user. Two sizes show whether the fill stays flat as the
// table grows: 10,000 rows (1,000 for the user) and 1,000,000 (100,000).
// Ours opens a session, declares the inbox, fills and closes; the tool
// starts, opens, prints and exits. Best of several alternating rounds. The
// last line is the ratio ours / sqlite3 at 1,000,000 rows.
#include "BenchFigure.h"
#include "ScratchFolder.h"
#include "folders/FolderDefinitions.h"
#include "folders/GridBinding.h"
#include "grid/GridTable.h"
#include "store/DbSession.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr int kRounds = 7;
constexpr const char* kUser = "wang";

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Shell(const std::string& command)
{
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

// Creates the tables with `vellum init-db` and adds the notices in one
// statement; every tenth goes to the user, the others to 97 other users.
void PrepareDatabase(const std::string& database, int rows)
{
    Shell(std::string(VELLUM_CLI) + " init-db --connect 'Provider=SQLite;Data Source=" + database +
          "'");
    Shell("sqlite3 '" + database +
          "' \"with recursive n(i) as (select 1 union all select i + 1 from n where i < " +
          std::to_string(rows) +
          ") insert into SystemMailNotify (MailFrom, MailTo, Subject, MailId, MailTime, Status) "
          "select 'li', case when i % 10 = 0 then '" +
          kUser +
          "' else 'user' || (i % 97) end, 'Quarterly report, draft ' || i, i / 3 + 1, "
          "'2026-05-03 14:22:01', i % 2 from n\"");
}

double RunOurs(const std::string& connect, std::string& statement)
{
    const FolderDefinition& inbox = *FindFolder("inbox");
    auto start = Clock::now();
    CDbSession session;
    if (!session.Open(connect.c_str())) {
        std::fprintf(stderr, "open failed: %s\n", session.GetLastErrorText().c_str());
        std::exit(1);
    }
    GridTable grid;
    CGridBinding binding;
    binding.AttachGrid(&grid);
    DeclareFolder(binding, inbox, kUser);
    binding.SetupColumns();
    if (binding.Fill(&session) != 1 || grid.GetRowCount() != 201) {
        std::fprintf(stderr, "fill failed (%d rows): %s\n", grid.GetRowCount(),
                     binding.GetLastErrorText().c_str());
        std::exit(1);
    }
    session.Close();
    double seconds = Seconds(start);
    statement = binding.GetStatement();
    return seconds;
}

double RunSqliteTool(const std::string& database, const std::string& script)
{
    std::string command = "sqlite3 '" + database + "' < '" + script + "' > /dev/null";
    auto start = Clock::now();
    Shell(command);
    return Seconds(start);
}

struct Result
{
    double ours = 1e9;
    double reference = 1e9;
};

Result Measure(const std::string& folder, int rows, const char* figure)
{
    std::string database = folder + "mail" + std::to_string(rows) + ".db";
    std::string connect = "Provider=SQLite;Data Source=" + database;
    PrepareDatabase(database, rows);
    std::string statement;
    RunOurs(connect, statement); // warms the page cache for both sides
    std::string script = folder + "select.sql";
    std::ofstream(script) << statement << "limit 200;\n";
    Result result;
    for (int round = 0; round < kRounds; ++round) {
        result.ours = std::min(result.ours, RunOurs(connect, statement));
        result.reference = std::min(result.reference, RunSqliteTool(database, script));
    }
    std::printf("%8d rows, %7d for the user: Fill %.2f ms, sqlite3 %.2f ms, ratio %.3f\n", rows,
                rows / 10, result.ours * 1e3, result.reference * 1e3,
                result.ours / result.reference);
    vellum::bench::PrintFigure(figure, result.ours * 1e3, result.reference * 1e3, 1.5);
    return result;
}

} // namespace

int main()
{
    const std::string folder = vellum::bench::MakeScratchFolder();
    if (folder.empty())
        return 1;
    std::printf("Inbox first fill (200 of the user's notices, newest first), best of %d\n",
                kRounds);
    Measure(folder, 10000, "folders.inbox-fill-10k");
    Result large = Measure(folder, 1000000, "folders.inbox-fill-1m");
    std::filesystem::remove_all(folder);
    std::printf("%.3f\n", large.ours / large.reference);
    return 0;
}
