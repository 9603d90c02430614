// Per-user access on PostgreSQL: each user of the office connects as a
// database role of its own, and row-level security keeps each role to its
// own mail. A role of the group vellum_users reads the drafts and sent mail
// it wrote, its own notices, the copies its notices name and the copies it
// sent; it adds mail only as itself and notices only for copies it sent;
// it changes only its own drafts (and of a notice only whether it was
// read), and deletes only its own mail and notices. The tables' owner, who
// runs init-db and the administration commands, is not held by the
// policies.
//
// Announcements of new mail go out on a channel per user whose name is a
// secret of that user (vellum_mail_channel, readable by no role of the
// group), so no session learns when another user gets mail.
//
// The attachment server learns who asks from a ticket: a desk takes one
// from the database as its own role, and the server, with its own role,
// looks it up (vellum_attachment_ticket, readable by no role of the group).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CDbSession;

// The group every user's role belongs to.
inline constexpr const char* kMailUsersRole = "vellum_users";

// The statements that switch a PostgreSQL database with the mail tables
// over to per-user access, for tables in `schema`. Running them again
// changes nothing.
std::vector<std::string> PerUserAccessStatements(std::string_view schema);

// Switches the session's database over (the mail tables must exist); false
// with the reason in `error`.
bool EnablePerUserAccess(CDbSession& session, std::string& error);

// Whether the session's database keeps users to their own mail; nothing
// when that cannot be read (the reason in `error`). False on every
// database but PostgreSQL.
std::optional<bool> HasPerUserAccess(CDbSession& session, std::string& error);

// The role the session acts as (PostgreSQL's current_user).
std::optional<std::string> SessionRole(CDbSession& session, std::string& error);

// The user a session acts for. On a per-user database it is the session's
// role, which `user`, when not empty, must be (a desk logged in as anyone
// else would see an empty inbox and have every send refused); on any other
// database it is `user` as given. Nothing, with the reason in `error`, on a
// mismatch or a failed read.
std::optional<std::string> SessionUser(CDbSession& session, const std::string& user,
                                       std::string& error);

// Adds a user: a login role of the group with the given password secret
// (a SCRAM verifier, so that no statement carries the password itself),
// and the user's secret announcement channel.
bool AddMailUser(CDbSession& session, const std::string& name, const std::string& secret,
                 std::string& error);

// A ticket that tells the attachment server who asks (the session's role),
// for a few minutes; it goes in the request's X-Vellum-Ticket header. Empty
// on a database without per-user access, whose server asks for none;
// nothing, with the reason in `error`, when it cannot be had.
std::optional<std::string> AttachmentTicket(CDbSession& session, std::string& error);

// Removes the user's role, channel and tickets; its mail stays.
bool RemoveMailUser(CDbSession& session, const std::string& name, std::string& error);
