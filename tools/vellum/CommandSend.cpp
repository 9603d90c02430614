// `vellum send`: the compose dialog's "发送" without the dialog. The fields
// come from the options (and, with --key, first from the stored draft, as
// the dialog fills them when it opens on a draft); the save and the send are
// MailSender's, so the database ends as the dialog would leave it. Messages
// the dialog would show go to stderr; "邮件已经发送" is the success, shown
// by the output lines instead.
#include "Command.h"
#include "base/IniDocument.h"
#include "html/EditorBody.h"
#include "mail/MailSender.h"
#include "mail/StoredMail.h"
#include "platform/fs/HeldOpenFiles.h"
#include "platform/text/CodePage.h"
#include "store/DbSession.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Collects what the dialog would show in message boxes (its confirmation of
// success apart).
struct ShownMessages
{
    std::vector<std::string> texts;

    MailSender::ShowMessage Collector()
    {
        return [this](const std::string& text) { texts.push_back(text); };
    }

    // Prints every message; true when there was any (which makes the run a
    // failure).
    bool PrintFailures() const
    {
        bool failed = false;
        for (const std::string& text : texts) {
            std::string line = WithoutLineEnd(text);
            std::fwrite(line.data(), 1, line.size(), stderr);
            std::fputc('\n', stderr);
            failed = true;
        }
        return failed;
    }
};

// The stored draft's fields, as the dialog loads them; false after
// reporting why.
bool LoadDraft(CDbSession& session, int key, MailFields& fields)
{
    std::string error;
    switch (LoadStoredMail(&session, "select * from SystemMail where keyid=" + std::to_string(key),
                           fields, error)) {
    case StoredMailLookup::Found:
        return true;
    case StoredMailLookup::NoRow:
        CommandFailure(vellum::text::FromUtf8("指定的数据不存在"));
        return false;
    case StoredMailLookup::QueryFailed:
        CommandFailure(WithoutLineEnd(error));
        return false;
    }
    return false;
}

// Replaces the fields given as options; false after reporting a bad one.
bool TakeFieldOptions(CommandArgs& args, MailFields& fields)
{
    TakeOption(args, "to", fields.mailTo);
    TakeOption(args, "subject", fields.subject);
    TakeOption(args, "attachment", fields.attachment);
    std::string bodyFile;
    bool hasBody = TakeOption(args, "body", fields.body);
    if (TakeOption(args, "body-file", bodyFile)) {
        if (hasBody) {
            CommandFailure("send takes --body or --body-file, not both");
            return false;
        }
        // Reading the open database would drop this process's locks on it.
        if (vellum::fs::IsHeldOpenByThisProcess(bodyFile)) {
            CommandFailure(bodyFile + " is a file of the open database, not a body");
            return false;
        }
        if (!ReadWholeFile(bodyFile, fields.body)) {
            CommandFailure("cannot read " + bodyFile);
            return false;
        }
    }
    return true;
}

int RunSend(const CommandArgs& given)
{
    CommandArgs args = given;
    CDbSession session;
    if (!OpenFromArgs(args, session, "send"))
        return 1;
    std::string user, keyText;
    TakeOption(args, "user", user);
    if (!ResolveUser(session, user, "send"))
        return 1;
    int key = -1;
    if (TakeOption(args, "key", keyText))
        key = std::atoi(keyText.c_str());

    MailFields fields;
    fields.sender = user;
    fields.mailTime = CurrentMailTime();
    if (key >= 1 && !LoadDraft(session, key, fields))
        return 1;
    if (!TakeFieldOptions(args, fields))
        return 1;
    // The body goes in as the compose dialog's editor would write it.
    fields.body = vellum::html::EditorBodyHtml(fields.body);
    if (!args.empty())
        return CommandFailure("send: unexpected argument \"" + args[0] + "\" (vellum send --help)");

    CIniDocument exchange;
    ShownMessages shown;
    MailSender sender(&session, user, key, exchange, shown.Collector(), [](const std::string&) {});
    SendOutcome outcome = sender.Send(fields);
    if (outcome == SendOutcome::AlreadySent) {
        std::printf("draft %d already sent\n", key);
        return 0;
    }
    if (outcome == SendOutcome::SaveFailed) {
        shown.PrintFailures();
        return 1;
    }
    std::printf("draft %d\n", key);
    if (outcome == SendOutcome::Sent) {
        std::printf("copy %d\n", sender.CopyKey());
        std::printf("notices %d\n", sender.NoticeCount());
    }
    std::fflush(stdout);
    bool failed = shown.PrintFailures();
    return failed || outcome != SendOutcome::Sent ? 1 : 0;
}

const VellumCommand
    kSend("send", "save a mail as a draft and send it, as the compose dialog does",
          "usage: vellum send --connect CONNECTION --user NAME --to LIST --subject TEXT\n"
          "                   [--body HTML | --body-file FILE] [--attachment NAME] [--key KEY]\n\n"
          "On a per-user database NAME must be the role CONNECTION logs in as, and may be left\n"
          "out.\n\n"
          "Runs the compose dialog's send: saves the draft in SystemMail (a new one, or with\n"
          "--key the stored draft KEY, whose stored fields the other options replace), checks\n"
          "that recipients and subject are there, stores one copy in SystemMailCopy and one\n"
          "notice per recipient in SystemMailNotify, and marks the draft sent (Status 1).\n\n"
          "LIST holds user names separated by \";\" or \",\"; an empty name between two\n"
          "separators gets a notice of its own, a trailing separator adds none, and spaces\n"
          "belong to the names. NAME of --attachment is the attachment server's name of an\n"
          "uploaded file. Texts and FILE are bytes in the host code page (VELLUM_CODEPAGE,\n"
          "default GBK).\n\n"
          "Pictures the body names on this machine (IMG sources \"file:///PATH\", \"/PATH\") go\n"
          "into the body as data: URLs, re-encoded as JPEG when over 1 MB; a picture that\n"
          "cannot be read stops the send with nothing stored. A body over 16 MB is refused\n"
          "after the draft is saved.\n\n"
          "Prints \"draft KEY\" once the draft is saved, then \"copy KEY\" and \"notices COUNT\"\n"
          "once the send is committed: the copy, the notices and the draft's status are stored\n"
          "in one transaction, whole or not at all. A refusal (no recipients, no subject) or a\n"
          "failure prints the dialog's message on stderr and exits with status 1; the draft\n"
          "stays saved and unsent, so sending it again with --key delivers it once. A draft\n"
          "KEY already marked sent (its commit went through though the answer was lost) is left\n"
          "as it is: \"draft KEY already sent\" is printed and the exit status is 0. The keys\n"
          "are those of the rows this connection inserted, so any number of senders may run\n"
          "at once.",
          RunSend);

} // namespace
