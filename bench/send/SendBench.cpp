// One send to 100 recipients through MailSender, the code path of `vellum
// send` (open a session, save the draft, store the copy through its record
// set, 100 notices, mark the draft sent), on an SQLite file, against the
// sqlite3 tool running the same writing statements from a script in one
// process on the same file. Both save the draft in autocommit and store the
// send (status, copy, notices) in one transaction; WAL mode with
// synchronous=full, the setting every Vellum connection uses so that a sent
// mail survives a power cut. The sqlite3 tool also runs the script with
// synchronous=normal, which tells what that durability costs. The sides
// alternate for several rounds; the best round of each counts. The last
// line is the ratio ours / sqlite3.
#include "BenchFigure.h"
#include "ScratchFolder.h"
#include "base/IniDocument.h"
#include "mail/MailSender.h"
#include "store/DbSession.h"
#include "store/MailTables.h"
#include "store/SqlInsert.h"
#include "store/SqlLiteral.h"
#include "store/SqlUpdate.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kRecipients = 100;
constexpr int kRounds = 5;
constexpr const char* kTime = "2026-12-06 09:30:00";

using Clock = std::chrono::steady_clock;

MailFields Mail()
{
    MailFields fields;
    fields.sender = "li";
    for (int i = 0; i < kRecipients; ++i)
        fields.mailTo += (i ? ";user" : "user") + std::to_string(i);
    fields.subject = "Quarterly report, second draft";
    fields.body = "<HTML><HEAD></HEAD><BODY><P>" + std::string(2000, 'x') + "</P></BODY></HTML>";
    fields.attachment = "report.doc";
    return fields;
}

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double RunOurs(const std::string& connect, int& keyOut)
{
    auto start = Clock::now();
    CDbSession session;
    if (!session.Open(connect.c_str())) {
        std::fprintf(stderr, "open failed: %s\n", session.GetLastErrorText().c_str());
        std::exit(1);
    }
    int key = -1;
    CIniDocument exchange;
    MailFields fields = Mail();
    MailSender sender(&session, "li", key, exchange, [](const std::string&) {});
    if (sender.Send(fields) != SendOutcome::Sent || sender.NoticeCount() != kRecipients) {
        std::fprintf(stderr, "send failed\n");
        std::exit(1);
    }
    session.Close();
    keyOut = key;
    return Seconds(start);
}

// The statements MailSender writes for one send, with the key the draft
// and the copy get in the reference's own run.
std::vector<std::string> SendStatements(int draftKey, int copyKey)
{
    MailFields fields = Mail();
    std::vector<std::string> statements;
    CSqlInsert insert;
    insert.SetTable("SystemMail");
    insert.SetString("MailFrom", "li");
    insert.SetString("MailTime", kTime);
    statements.push_back(insert.Build());

    CSqlUpdate update;
    update.SetTable("SystemMail");
    update.AddWhere(("KeyId=" + std::to_string(draftKey)).c_str());
    update.AddWhere("(Status is null or Status<>1)");
    update.SetInt("Status", 0);
    update.SetString("Subject", fields.subject.c_str());
    update.SetString("MailTo", fields.mailTo.c_str());
    update.SetString("Body", fields.body.c_str());
    update.SetString("Attachment", fields.attachment.c_str());
    statements.push_back(update.Build());

    statements.push_back("begin immediate");
    statements.push_back("update systemMail set status=1 where keyid = " +
                         std::to_string(draftKey) + " and status=0");
    statements.push_back("insert into systemMailCopy(MailFrom,Subject,MailTo,MailTime,Body,"
                         "Attachment) values ('li'," +
                         SqlTextLiteral(fields.subject.c_str()) + "," +
                         SqlTextLiteral(fields.mailTo.c_str()) + ",'" + kTime + "'," +
                         SqlTextLiteral(fields.body.c_str()) + "," +
                         SqlTextLiteral(fields.attachment.c_str()) + ")");
    for (const std::string& recipient : SplitRecipients(fields.mailTo)) {
        insert.Clear();
        insert.SetTable("SystemMailNotify");
        insert.SetString("MailFrom", "li");
        insert.SetString("MailTo", recipient.c_str());
        insert.SetString("Subject", fields.subject.c_str());
        insert.SetInt("MailId", copyKey);
        insert.SetString("MailTime", kTime);
        insert.SetInt("Status", 0);
        statements.push_back(insert.Build());
    }
    statements.push_back("commit");
    return statements;
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

    // Each round adds one draft and one copy on each side, so the keys the
    // reference's statements use are known before its run.
    double ours = 1e9, reference = 1e9, lazy = 1e9;
    std::string script = folder + "send.sql";
    auto writeScript = [&script](const char* synchronous, int key) {
        std::ofstream out(script);
        out << "pragma synchronous=" << synchronous << ";\n";
        for (const auto& statement : SendStatements(key, key))
            out << statement << ";\n";
    };
    for (int round = 0; round < kRounds; ++round) {
        int key = 0;
        ours = std::min(ours, RunOurs(connect, key));
        writeScript("full", key + 1);
        reference = std::min(reference, RunSqliteTool(database, script));
        writeScript("normal", key + 2);
        lazy = std::min(lazy, RunSqliteTool(database, script));
    }
    std::filesystem::remove_all(folder);

    std::printf("one send to %d recipients on an SQLite file (WAL, one transaction), best of %d\n",
                kRecipients, kRounds);
    std::printf("MailSender (vellum send): %.4f s\n", ours);
    std::printf("sqlite3 tool, same writes: %.4f s\n", reference);
    std::printf("sqlite3 tool, same writes, synchronous=normal: %.4f s (durability costs %.2fx)\n",
                lazy, reference / lazy);
    vellum::bench::PrintFigure("send.100-recipients", ours * 1e3, reference * 1e3, 1.2);
    std::printf("%.3f\n", ours / reference);
    return 0;
}
