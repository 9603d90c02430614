// `vellum user add|remove NAME`: the administrator's commands for offices
// where each user connects as a database role of its own (init-db
// --per-user). The password never travels as an argument, and the statement
// that creates the role carries only its SCRAM secret.
#include "Command.h"
#include "PasswordPrompt.h"
#include "ScramSecret.h"
#include "platform/text/CodePage.h"
#include "store/DbSession.h"
#include "store/PerUserAccess.h"

namespace {

// PostgreSQL keeps role names to 63 bytes and reserves the "pg_" prefix.
constexpr size_t kLongestRoleName = 63;

std::string NameProblem(const std::string& name)
{
    if (name.empty() || name.size() > kLongestRoleName)
        return "a user name has 1 to 63 bytes";
    if (!vellum::text::IsValidHostText(name))
        return "the user name is no text in the code page";
    if (name.rfind("pg_", 0) == 0 || name == kMailUsersRole)
        return "\"" + name + "\" is reserved";
    return {};
}

int AddUser(CommandArgs& args, CDbSession& session, const std::string& name)
{
    std::string file, why;
    TakeOption(args, "password-file", file);
    if (!args.empty())
        return CommandFailure("user add: unexpected argument \"" + args[0] + "\"");
    std::optional<std::string> password = ReadNewPassword(file, name, why);
    if (!password)
        return CommandFailure("user add: " + why);
    std::string secret = ScramSha256Secret(*password);
    if (secret.empty())
        return CommandFailure("user add: no random bytes for the password's salt");
    std::string error;
    std::optional<bool> perUser = HasPerUserAccess(session, error);
    if (!perUser)
        return CommandFailure(WithoutLineEnd(error));
    if (!*perUser)
        return CommandFailure("user add: the database has no per-user access yet (vellum init-db "
                              "--per-user)");
    if (!AddMailUser(session, name, secret, error))
        return CommandFailure(WithoutLineEnd(error));
    return 0;
}

int RunUser(const CommandArgs& given)
{
    CommandArgs args = given;
    CDbSession session;
    if (!OpenFromArgs(args, session, "user"))
        return 1;
    if (args.size() < 2 || (args[0] != "add" && args[0] != "remove"))
        return CommandFailure("user takes add NAME or remove NAME (vellum user --help)");
    const std::string action = args[0], name = args[1];
    args.erase(args.begin(), args.begin() + 2);
    if (std::string problem = NameProblem(name); !problem.empty())
        return CommandFailure("user " + action + ": " + problem);
    if (action == "add")
        return AddUser(args, session, name);
    if (!args.empty())
        return CommandFailure("user remove: unexpected argument \"" + args[0] + "\"");
    std::string error;
    if (!RemoveMailUser(session, name, error))
        return CommandFailure(WithoutLineEnd(error));
    return 0;
}

const VellumCommand
    kUser("user", "add or remove a user of a per-user PostgreSQL database",
          "usage: vellum user add NAME --connect ADMIN [--password-file FILE]\n"
          "       vellum user remove NAME --connect ADMIN\n\n"
          "On a database set up with `vellum init-db --per-user`, add makes NAME a login role\n"
          "of the group vellum_users, which reads and writes only its own mail, and gives it a\n"
          "secret channel for new-mail announcements. The password comes from FILE (its first\n"
          "line; a file only its owner may read), else it is typed twice at the terminal, else\n"
          "it is the first line of standard input; never from the command line. remove drops\n"
          "the role and its channel; the user's mail stays.\n\n"
          "ADMIN connects as the owner of the mail tables.",
          RunUser);

} // namespace
