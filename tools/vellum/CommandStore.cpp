// The database subcommands of `vellum`: init-db creates the mail tables,
// sql runs one statement (printing a query's rows), maxkey prints the
// highest key of a table. Each opens its own session from --connect, which
// takes the same connection strings as the module.
#include "Command.h"
#include "base/Backoff.h"
#include "base/SecretFile.h"
#include "db/ConnectionString.h"
#include "db/TextCompare.h"
#include "store/DbRecordset.h"
#include "store/DbSession.h"
#include "store/MailTables.h"
#include "store/MaxKeyId.h"
#include "store/PerUserAccess.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <thread>

bool OpenFromArgs(CommandArgs& args, CDbSession& session, const char* command)
{
    std::string connect;
    return TakeConnect(args, connect, command) && OpenSession(args, session, connect);
}

// A string with a password is better kept out of the command line, which
// every user of the machine can read: from a file only its owner reads, or
// from the environment.
bool TakeConnect(CommandArgs& args, std::string& connect, const char* command)
{
    if (TakeOption(args, "connect", connect))
        return true;
    std::string file, why;
    if (TakeOption(args, "connect-file", file)) {
        std::optional<std::string> read = ReadSecretFile(file, why);
        if (!read) {
            CommandFailure("--connect-file: " + why);
            return false;
        }
        connect = *read;
        return true;
    }
    if (const char* given = std::getenv("VELLUM_CONNECT"); given && *given) {
        connect = given;
        return true;
    }
    CommandFailure(std::string(command) + " needs --connect CONNECTION, --connect-file FILE or " +
                   "VELLUM_CONNECT (vellum " + command + " --help)");
    return false;
}

// A server that is restarting or starting up refuses connections for a
// while; with --wait the command tries again until it answers, waiting
// longer each time (with jitter, so that scripts on many machines do not
// knock together), or until the time is up.
bool OpenSession(CommandArgs& args, CDbSession& session, const std::string& connect)
{
    std::string wait = "0";
    TakeOption(args, "wait", wait);
    char* end = nullptr;
    long seconds = std::strtol(wait.c_str(), &end, 10);
    if (wait.empty() || *end != '\0' || seconds < 0) {
        CommandFailure("--wait takes a number of seconds, not \"" + wait + "\"");
        return false;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    Backoff backoff(std::chrono::milliseconds(250), std::chrono::seconds(5));
    while (session.Open(connect.c_str()) != 1) {
        auto pause = backoff.Next();
        if (std::chrono::steady_clock::now() + pause > deadline) {
            CommandFailure("cannot open \"" + vellum::db::WithoutPassword(connect) +
                           "\": " + WithoutLineEnd(session.GetLastErrorText()));
            return false;
        }
        std::this_thread::sleep_for(pause);
    }
    return true;
}

bool ResolveUser(CDbSession& session, std::string& user, const char* command)
{
    std::string error;
    std::optional<std::string> acting = SessionUser(session, user, error);
    if (!acting) {
        CommandFailure(WithoutLineEnd(error));
        return false;
    }
    if (acting->empty()) {
        CommandFailure(std::string(command) + " needs --user NAME (vellum " + command + " --help)");
        return false;
    }
    user = *acting;
    return true;
}

namespace {

bool IsQuery(std::string_view statement)
{
    size_t start = statement.find_first_not_of(" \t\r\n");
    return start != std::string_view::npos &&
           vellum::db::StartsWithIgnoringCase(statement.substr(start), "select");
}

void PrintHeader(CDbRecordset& recordset)
{
    for (int i = 0; i < recordset.GetFieldCount(); ++i) {
        std::string name = recordset.GetFieldName(i);
        std::printf("%s%s", i ? "\t" : "", name.c_str());
    }
    std::printf("\n");
}

void PrintRow(CDbRecordset& recordset)
{
    for (int i = 0; i < recordset.GetFieldCount(); ++i) {
        const char* value = recordset.GetFieldValueAt(i);
        std::printf("%s%s", i ? "\t" : "", value ? value : "");
    }
    std::printf("\n");
}

int PrintQuery(CDbSession& session, const std::string& query)
{
    CDbRecordset recordset;
    recordset.Attach(&session);
    if (!recordset.Open(query.c_str()))
        return CommandFailure(WithoutLineEnd(recordset.GetLastErrorText()));
    PrintHeader(recordset);
    while (!recordset.IsEOF()) {
        PrintRow(recordset);
        if (!recordset.MoveNext())
            return CommandFailure(WithoutLineEnd(recordset.GetLastErrorText()));
    }
    return 0;
}

int RunInitDb(const CommandArgs& given)
{
    CommandArgs args = given;
    CDbSession session;
    if (!OpenFromArgs(args, session, "init-db"))
        return 1;
    bool perUser = TakeFlag(args, "per-user");
    if (!args.empty())
        return CommandFailure("init-db takes no argument besides --connect and --per-user");
    std::string error;
    if (!CreateMailTables(session, error) || (perUser && !EnablePerUserAccess(session, error)))
        return CommandFailure(WithoutLineEnd(error));
    return 0;
}

int RunSql(const CommandArgs& given)
{
    CommandArgs args = given;
    CDbSession session;
    if (!OpenFromArgs(args, session, "sql"))
        return 1;
    if (args.size() != 1)
        return CommandFailure("sql takes exactly one STATEMENT (quote it)");
    if (IsQuery(args[0]))
        return PrintQuery(session, args[0]);
    if (!session.Execute(args[0].c_str()))
        return CommandFailure(WithoutLineEnd(session.GetLastErrorText()));
    return 0;
}

int RunMaxKey(const CommandArgs& given)
{
    CommandArgs args = given;
    CDbSession session;
    if (!OpenFromArgs(args, session, "maxkey"))
        return 1;
    if (args.size() != 1)
        return CommandFailure("maxkey takes exactly one TABLE");
    int key = GetMaxKeyId(&session, args[0].c_str());
    std::printf("%d\n", key);
    if (key < 0)
        return CommandFailure("the highest key of " + args[0] + " cannot be read");
    return 0;
}

const VellumCommand
    kInitDb("init-db", "create the mail tables and their indexes where missing",
            "usage: vellum init-db --connect CONNECTION [--per-user]\n\n"
            "Creates SystemMail, SystemMailCopy and SystemMailNotify when they are missing, with\n"
            "database-given increasing keys (KeyId) and the indexes the folders need. Running it\n"
            "again changes nothing. Works on SQLite and, over ODBC, on PostgreSQL, SQL Server and\n"
            "MySQL.\n\n"
            "--per-user (PostgreSQL) switches the database to one role per user: row-level\n"
            "security keeps each role of the group vellum_users to its own mail, and new mail\n"
            "is announced on channels only their user knows (add users with `vellum user add`).\n"
            "Once switched, running init-db again keeps it so.\n\n"
            "CONNECTION is \"Provider=SQLite;Data Source=PATH\" or an ODBC connection string.",
            RunInitDb);

const VellumCommand
    kSql("sql", "run one SQL statement; a select prints its rows",
         "usage: vellum sql --connect CONNECTION STATEMENT\n\n"
         "A STATEMENT that begins with \"select\" (any case, after blanks) is opened as a record\n"
         "set and printed tab-separated: a line of field names, then one line per row, NULL as\n"
         "an empty field. Any other statement is run and prints nothing. Text is printed in\n"
         "the host code page (VELLUM_CODEPAGE, default GBK).",
         RunSql);

const VellumCommand kMaxKey("maxkey", "print the highest KeyId of a table",
                            "usage: vellum maxkey --connect CONNECTION TABLE\n\n"
                            "Prints GetMaxKeyId: the highest KeyId of TABLE, 0 when it is "
                            "empty, -1 (and exit\nstatus 1) when it cannot be read.",
                            RunMaxKey);

} // namespace
