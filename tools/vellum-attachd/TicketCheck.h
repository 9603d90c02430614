// Who asks, on a server whose access is per user: the desk sends a ticket
// it took from the database as its own role (header X-Vellum-Ticket), and
// the server looks the ticket up with its own role. An upload is stored as
// the ticket's user, whatever the form's UserName says; a download is
// served to the file's uploader and to the recipients of mail naming it
// that someone who may read it sent. Both questions block on the database: the server asks
// them from its StoreWorkers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

class PostgresStore;

enum class Access {
    Granted,
    Refused,
    Unknown, // the database cannot answer now
};

struct Asker
{
    Access access = Access::Refused;
    std::string user; // the ticket's user when granted
};

// Whether the database was made ready for tickets (vellum init-db
// --per-user); false with the reason on stderr.
bool TicketsAreKept(PostgresStore& store);

// The user who may upload with `ticket`.
Asker Uploader(PostgresStore& store, std::string_view ticket);

// Whether the holder of `ticket` may download the stored file `name`.
Access MayDownload(PostgresStore& store, std::string_view ticket, std::string_view name);
