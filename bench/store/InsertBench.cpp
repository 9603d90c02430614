// 1,000 SystemMailNotify inserts through CDbSession::Execute on an SQLite
// file, against the sqlite3 tool running the same statements on the same
// file in the same run. Both run in autocommit, one transaction per
// statement, with the file in WAL mode and SQLite's default synchronous
// setting. Each side runs several rounds, alternating; the best round of
// each counts. The last line is the ratio ours / sqlite3.
#include "BenchFigure.h"
#include "ScratchFolder.h"
#include "store/DbSession.h"
#include "store/MailTables.h"
#include "store/SqlInsert.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kInserts = 1000;
constexpr int kRounds = 3;

using Clock = std::chrono::steady_clock;

std::vector<std::string> NoticeInserts()
{
    std::vector<std::string> statements;
    CSqlInsert insert;
    for (int i = 0; i < kInserts; ++i) {
        insert.Clear();
        insert.SetTable("SystemMailNotify");
        insert.SetString("MailFrom", "li");
        insert.SetString("MailTo", ("user" + std::to_string(i % 17)).c_str());
        insert.SetString("Subject", "Quarterly report, second draft");
        insert.SetInt("MailId", i / 3 + 1);
        insert.SetString("MailTime", "2010-05-03 14:22:01");
        insert.SetInt("Status", 0);
        statements.push_back(insert.Build());
    }
    return statements;
}

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Opens a session, runs every statement, closes: what a sending host does.
double RunOurs(const std::string& connect, const std::vector<std::string>& statements)
{
    auto start = Clock::now();
    CDbSession session;
    if (!session.Open(connect.c_str())) {
        std::fprintf(stderr, "open failed: %s\n", session.GetLastErrorText().c_str());
        std::exit(1);
    }
    for (const auto& statement : statements) {
        if (!session.Execute(statement.c_str())) {
            std::fprintf(stderr, "insert failed: %s\n", session.GetLastErrorText().c_str());
            std::exit(1);
        }
    }
    session.Close();
    return Seconds(start);
}

double RunSqliteTool(const std::string& database, const std::string& script)
{
    std::string command = "sqlite3 -bail '" + database + "' < '" + script + "'";
    auto start = Clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "sqlite3 failed: %s\n", command.c_str());
        std::exit(1);
    }
    return Seconds(start);
}

} // namespace

int main()
{
    const std::string folder = vellum::bench::MakeScratchFolder();
    if (folder.empty())
        return 1;
    std::string database = folder + "mail.db";
    std::string connect = "Provider=SQLite;Data Source=" + database;
    {
        CDbSession session;
        std::string error;
        if (!session.Open(connect.c_str()) || !CreateMailTables(session, error)) {
            std::fprintf(stderr, "cannot prepare %s: %s%s\n", database.c_str(),
                         session.GetLastErrorText().c_str(), error.c_str());
            return 1;
        }
    }
    auto statements = NoticeInserts();
    std::string script = folder + "inserts.sql";
    {
        std::ofstream out(script);
        for (const auto& statement : statements)
            out << statement << ";\n";
    }

    double ours = 1e9, reference = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        ours = std::min(ours, RunOurs(connect, statements));
        reference = std::min(reference, RunSqliteTool(database, script));
    }
    std::filesystem::remove_all(folder);

    std::printf("%d SystemMailNotify inserts in autocommit on an SQLite file (WAL), best of %d\n",
                kInserts, kRounds);
    std::printf("CDbSession::Execute: %.3f s\n", ours);
    std::printf("sqlite3 tool:        %.3f s\n", reference);
    vellum::bench::PrintFigure("store.insert-1000", ours * 1000, reference * 1000, 1.3);
    std::printf("%.3f\n", ours / reference);
    return 0;
}
