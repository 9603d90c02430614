// The attachment transfer behind the compose dialog's "上传" and the read
// dialog's "下载" buttons. A mail carries at most one attachment; the file
// lives on the attachment server named in "data/tolvan.ini", and the mail
// keeps only the name the server stored it under.
//
// The dialogs hand over the fields the transfer reads (and, for the upload,
// writes back); every question, message, file choice and shell open goes
// through the desktop services, so the transfer runs headless in tests.
#pragma once

#include "mail/TransferFailure.h"

#include <functional>
#include <string>

class CDbSession;
class CHttpClient;
class QWidget;

// Runs a transfer's work: building the request (an upload reads its whole
// file) and the one HTTP request on `client`, which `work` ends with,
// returning Request's result. Without a runner the work runs right away on
// the calling thread under the wait cursor; the dialogs pass one that keeps
// the window answering, shows the progress and lets the person cancel.
class TransferRunner
{
public:
    virtual ~TransferRunner() = default;
    virtual RequestOutcome Run(CHttpClient& client, const std::function<int()>& work) = 0;
};

// The dialog fields the transfer works on.
struct AttachmentFields
{
    std::string userName;   // the dialog's user name
    std::string sender;     // the compose dialog's sender field
    std::string attachment; // the attachment field
    QWidget* parent = nullptr;
    TransferRunner* runner = nullptr;
    // The dialog's database session: on a database with per-user access
    // the server asks who we are, and the transfer takes a ticket there.
    CDbSession* session = nullptr;
};

// The attachment server's base address: HttpServer in "data/tolvan.ini"
// section ".", read now; empty when none is set.
std::string AttachmentServerAddress();

// The compose dialog's upload: asks for a local file, posts it and puts the
// server's name for it into fields.attachment. 1 when the field got a new
// name, 0 when the user cancelled (the file dialog or the request) or a
// message said why not; the field is then as it was.
int UploadAttachment(AttachmentFields& fields);

// The read dialog's download: fetches the server file named by the field
// (a received mail's field is only ever a server name, never a local path)
// into "temp/", under the file's own name or beside a changed copy of that
// name, and opens the copy when its type runs no code; otherwise, or when
// no program opens it, the person learns where it is and may open its
// folder. 1 when the copy was saved, else 0; a cancelled, failed or
// incomplete download saves and opens nothing. `localCopy`, when given,
// receives the path of the saved copy (empty when none was saved).
int DownloadAttachment(const AttachmentFields& fields, std::string* localCopy = nullptr);
