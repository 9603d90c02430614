// Mail names its attachment by the server's stored name, but the mail
// tables hold it converted to the database's encoding, while the server
// keeps the client's bytes: the two are compared by the name's ASCII key
// (StoredNameKey), which alone tells one stored file from every other.
// A ticket is 64 hex digits; anything else is refused without a query.
#include "TicketCheck.h"

#include "PostgresStore.h"
#include "StoredName.h"

#include <cstdio>

namespace {

constexpr size_t kTicketLength = 64;

const char kUploader[] = "SELECT UserName FROM vellum_attachment_ticket"
                         " WHERE Ticket = $1::text AND Expires > now()";

// Who may read a file: its uploader, and the recipients of every mail
// naming it that was sent by someone who may read it (a forward passes it
// on). Anyone may add a copy naming any file as its own sender, so a copy
// counts only when its sender may read the file already.
const char kDownloader[] =
    "WITH RECURSIVE named AS ("
    "  SELECT KeyId, MailFrom FROM SystemMailCopy"
    "  WHERE left(Attachment, 33) = left($3::text, 33)"
    "  AND left(Attachment, length($3::text)) = $3::text),"
    " owner AS (SELECT owner FROM vellum_attachment WHERE name = $2::bytea),"
    " readers(UserName) AS ("
    "  SELECT c.MailFrom FROM named c, owner o"
    "  WHERE o.owner = convert_to(c.MailFrom, pg_client_encoding())"
    "  UNION"
    "  SELECT n.MailTo FROM readers r JOIN named c ON c.MailFrom = r.UserName"
    "  JOIN SystemMailNotify n ON n.MailId = c.KeyId)"
    " SELECT t.UserName FROM vellum_attachment_ticket t"
    " WHERE t.Ticket = $1::text AND t.Expires > now() AND ("
    "  EXISTS (SELECT 1 FROM owner o WHERE o.owner = convert_to(t.UserName, pg_client_encoding()))"
    "  OR t.UserName IN (SELECT UserName FROM readers))";

bool LooksLikeTicket(std::string_view ticket)
{
    if (ticket.size() != kTicketLength)
        return false;
    for (char c : ticket) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

} // namespace

bool TicketsAreKept(PostgresStore& store)
{
    std::optional<std::vector<std::string>> row =
        store.QueryRow("SELECT to_regclass('vellum_attachment_ticket') IS NOT NULL"
                       " AND to_regprocedure('vellum_attachment_ticket()') IS NOT NULL",
                       {});
    if (row && !row->empty() && (*row)[0] == "t")
        return true;
    std::fprintf(stderr, "vellum-attachd: --access per-user: the database keeps no tickets; "
                         "run vellum init-db --per-user on it first\n");
    return false;
}

Asker Uploader(PostgresStore& store, std::string_view ticket)
{
    if (!LooksLikeTicket(ticket))
        return {};
    std::optional<std::vector<std::string>> row = store.QueryRow(kUploader, {ticket});
    if (!row)
        return {Access::Unknown, {}};
    if (row->empty())
        return {};
    return {Access::Granted, (*row)[0]};
}

Access MayDownload(PostgresStore& store, std::string_view ticket, std::string_view name)
{
    if (!LooksLikeTicket(ticket))
        return Access::Refused;
    std::optional<std::vector<std::string>> row =
        store.QueryRow(kDownloader, {ticket, name, StoredNameKey(name)});
    if (!row)
        return Access::Unknown;
    return row->empty() ? Access::Refused : Access::Granted;
}
