// `vellum upload` and `vellum download`: the attachment transfer as the
// compose and read dialogs run it, with a console standing in for the
// person at the desk: the file to upload is given on the command line, and
// messages go to stderr.
#include "Command.h"
#include "ConsoleDesktop.h"
#include "mail/AttachmentTransfer.h"
#include "net/HttpClient.h"
#include "platform/fs/ModuleHome.h"
#include "platform/text/CodePage.h"
#include "store/DbSession.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Runs the upload's one request as the dialog would and keeps the status
// code of the answer, so that the command can say in plain words what a
// refusal of the server means.
class StatusKeepingRunner : public TransferRunner
{
public:
    RequestOutcome Run(CHttpClient& client, const std::function<int()>& work) override
    {
        RequestOutcome outcome;
        outcome.result = work();
        m_status = ResponseStatus(client);
        return outcome;
    }

    int Status() const { return m_status; }

private:
    int m_status = 0;
};

// What the attachment server's refusals mean to the person uploading.
const char* RefusalMeaning(int status)
{
    switch (status) {
    case 413:
        return "the file is larger than the attachment server accepts";
    case 507:
        return "the attachment server's disk is full; its administrator has to make room";
    case 431:
        return "the request head was too large for the attachment server";
    default:
        return nullptr;
    }
}

// The desk's session, when a connection is given (see OpenDesk).
bool TakeDesk(CommandArgs& args, std::unique_ptr<CDbSession>& session, std::string& user,
              const char* command)
{
    auto named = [&args](const char* option) {
        return std::find(args.begin(), args.end(), option) != args.end();
    };
    const char* connect = std::getenv("VELLUM_CONNECT");
    if (!named("--connect") && !named("--connect-file") && !(connect && *connect)) {
        if (!user.empty())
            return true;
        CommandFailure(std::string(command) + " needs --user U or a connection (vellum " + command +
                       " --help)");
        return false;
    }
    session = std::make_unique<CDbSession>();
    return OpenFromArgs(args, *session, command) && ResolveUser(*session, user, command);
}

// With a connection (--connect, --connect-file or VELLUM_CONNECT) the
// command acts as a desk: on a per-user database the user is the session's
// role and the server gets a ticket of it. Without one, --user names the
// user. Then exactly one argument, `operand`, must be left. False after
// reporting why.
bool OpenDesk(CommandArgs& args, std::unique_ptr<CDbSession>& session, std::string& user,
              const char* command, const char* operand)
{
    TakeOption(args, "user", user);
    if (!TakeDesk(args, session, user, command))
        return false;
    if (args.size() == 1)
        return true;
    CommandFailure(std::string(command) + " needs one " + operand + " (vellum " + command +
                   " --help)");
    return false;
}

void PrintLine(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

int RunUpload(const CommandArgs& given)
{
    CommandArgs args = given;
    std::string user, replace;
    TakeOption(args, "replace", replace);
    std::unique_ptr<CDbSession> session;
    if (!OpenDesk(args, session, user, "upload", "FILE"))
        return 1;
    // The file dialog only offers existing files; the module itself would
    // upload an unreadable file as an empty one.
    if (!vellum::fs::FileExists(args[0]))
        return CommandFailure("cannot read " + args[0]);
    ConsoleDesktop console(vellum::text::FromUtf8(args[0]), false);
    vellum::ui::ScopedDesktop installed(console);
    AttachmentFields fields;
    fields.userName = fields.sender = vellum::text::FromUtf8(user);
    fields.attachment = vellum::text::FromUtf8(replace);
    fields.session = session.get();
    StatusKeepingRunner runner;
    fields.runner = &runner;
    if (UploadAttachment(fields) != 1) {
        if (const char* meaning = RefusalMeaning(runner.Status()))
            std::fprintf(stderr, "vellum upload: %s (HTTP %d)\n", meaning, runner.Status());
        return 1;
    }
    PrintLine(fields.attachment);
    return 0;
}

int RunDownload(const CommandArgs& given)
{
    CommandArgs args = given;
    std::string user;
    bool open = TakeFlag(args, "open");
    std::unique_ptr<CDbSession> session;
    if (!OpenDesk(args, session, user, "download", "NAME"))
        return 1;
    ConsoleDesktop console(std::nullopt, open);
    vellum::ui::ScopedDesktop installed(console);
    AttachmentFields fields;
    fields.userName = vellum::text::FromUtf8(user);
    fields.attachment = vellum::text::FromUtf8(args[0]);
    fields.session = session.get();
    std::string localCopy;
    int result = DownloadAttachment(fields, &localCopy);
    if (!localCopy.empty())
        PrintLine(localCopy);
    // Every failure comes with a message and saves nothing; a message
    // beside a saved copy only says why it was not opened.
    return result == 1 ? 0 : 1;
}

const VellumCommand kUpload(
    "upload", "upload a file to the attachment server as the compose dialog does",
    "usage: vellum upload --user U FILE [--replace NAME]\n"
    "       vellum upload --connect CONNECTION [--user U] FILE [--replace NAME]\n\n"
    "Posts FILE to the upload page of the server in \"data/tolvan.ini\" (section \".\", keys\n"
    "HttpServer and ServerType) with the user name U. NAME is the attachment field's\n"
    "earlier server name, which the server may replace. With a connection (--connect,\n"
    "--connect-file or VELLUM_CONNECT) the upload is the desk's: on a database with\n"
    "per-user access U is the connection's role, and the server gets a ticket of it.\n"
    "Prints the server's name for the\n"
    "file; on failure prints the dialog's message to stderr and exits with status 1. When\n"
    "the server refused the file as too large (413), its disk as full (507) or the request\n"
    "head as too large (431), a line saying so follows the message.",
    RunUpload);

const VellumCommand kDownload(
    "download", "download an attachment into temp/ as the read dialog does",
    "usage: vellum download --user U NAME [--open]\n"
    "       vellum download --connect CONNECTION [--user U] NAME [--open]\n\n"
    "Fetches NAME from the download page of the server in \"data/tolvan.ini\" into the\n"
    "module home's \"temp/\" folder, under the file's own name (what follows the 32 hex\n"
    "digits and \"-\" of a current server name), and prints the local copy's path. When a\n"
    "file of that name holds other bytes (an edited copy), the new copy goes beside it as\n"
    "\"name (2).ext\". NAME is always a server name, never a local path. A download short of\n"
    "its length, without Content-Disposition or not written whole saves nothing. --open\n"
    "opens the file with the desktop's program (xdg-open), only for types that run no code.\n"
    "A connection makes the download the desk's, as for vellum upload.\n"
    "Messages go to stderr. Exit status 1 when nothing was saved.",
    RunDownload);

} // namespace
