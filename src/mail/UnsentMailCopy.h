// The copy of a mail being written that outlives a crash of the host. The
// compose dialog keeps it while it has changes nobody saved; the next run
// of the host as the same user finds it and offers the mail back. It lives
// in the user's own state folder (vellum/, mode 600), never in the shared
// database, so writing it changes nothing the other users see.
#pragma once

#include "mail/MailSender.h"

#include <optional>
#include <string>

// What the copy holds: the dialog's key (below 1: a new mail), its fields
// and when the copy was written (local time, as the mail times are shown).
struct UnsentMail
{
    int keyId = -1;
    MailFields fields;
    std::string writtenAt;
};

class UnsentMailCopy
{
public:
    // The copy of `userName` (host code page bytes).
    explicit UnsentMailCopy(const std::string& userName);

    // Replaces the copy in one step; a kill in the middle leaves the one
    // before. False when the state folder cannot be written.
    bool Write(int keyId, const MailFields& fields);
    // The copy, or nothing when there is none or it is not a copy this
    // program wrote.
    std::optional<UnsentMail> Read() const;
    void Remove();

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};
