// Column privileges do what policies cannot: a policy sees only the row as
// it would be after an update, so a reader who could set a notice's MailId
// would point it at another user's copy and read that. Roles of the group
// may therefore update only a notice's Status, and never write a KeyId
// (which would let a unique-key error tell them another user's row exists).
// The functions that read the secret channels run as their owner, with a
// search path of the tables' schema and pg_temp last, so that no role can
// put a table of its own in their way.
#include "store/PerUserAccess.h"

#include "store/DbSession.h"
#include "store/MailTables.h"
#include "store/QueryValue.h"
#include "store/SqlLiteral.h"

namespace {

std::string QuotedName(std::string_view name)
{
    std::string quoted = "\"";
    for (char c : name)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

bool ExecuteAll(CDbSession& session, const std::vector<std::string>& statements, std::string& error)
{
    for (const std::string& statement : statements) {
        if (!session.Execute(statement.c_str())) {
            error = session.GetLastErrorText();
            return false;
        }
    }
    return true;
}

void AddPolicy(std::vector<std::string>& statements, const char* table, const char* name,
               const std::string& rule)
{
    statements.push_back(std::string("drop policy if exists ") + name + " on " + table);
    statements.push_back(std::string("create policy ") + name + " on " + table + " " + rule);
}

void AddPolicies(std::vector<std::string>& s)
{
    AddPolicy(s, kSystemMail, "SystemMail_Read", "for select using (MailFrom = current_user)");
    AddPolicy(s, kSystemMail, "SystemMail_Add", "for insert with check (MailFrom = current_user)");
    AddPolicy(s, kSystemMail, "SystemMail_Change",
              "for update using (MailFrom = current_user and Status = 0) "
              "with check (MailFrom = current_user)");
    AddPolicy(s, kSystemMail, "SystemMail_Remove", "for delete using (MailFrom = current_user)");
    AddPolicy(s, kSystemMailCopy, "SystemMailCopy_Read",
              "for select using (MailFrom = current_user or exists (select 1 from "
              "SystemMailNotify n where n.MailId = SystemMailCopy.KeyId and n.MailTo = "
              "current_user))");
    AddPolicy(s, kSystemMailCopy, "SystemMailCopy_Add",
              "for insert with check (MailFrom = current_user)");
    AddPolicy(s, kSystemMailNotify, "SystemMailNotify_Read",
              "for select using (MailTo = current_user)");
    AddPolicy(s, kSystemMailNotify, "SystemMailNotify_Add",
              "for insert with check (MailFrom = current_user and exists (select 1 from "
              "SystemMailCopy c where c.KeyId = SystemMailNotify.MailId and c.MailFrom = "
              "current_user))");
    AddPolicy(s, kSystemMailNotify, "SystemMailNotify_Change",
              "for update using (MailTo = current_user) with check (MailTo = current_user)");
    AddPolicy(s, kSystemMailNotify, "SystemMailNotify_Remove",
              "for delete using (MailTo = current_user)");
}

void AddPrivileges(std::vector<std::string>& s)
{
    const std::string group = kMailUsersRole;
    s.push_back("revoke all on SystemMail, SystemMailCopy, SystemMailNotify, vellum_mail_channel, "
                "vellum_attachment_ticket from public");
    s.push_back("grant select, delete on SystemMail, SystemMailNotify to " + group);
    s.push_back("grant select on SystemMailCopy to " + group);
    s.push_back("grant insert (MailFrom, MailTo, Subject, Body, Attachment, MailTime, Status), "
                "update (MailTo, Subject, Body, Attachment, MailTime, Status) on SystemMail to " +
                group);
    s.push_back("grant insert (MailFrom, MailTo, Subject, Body, Attachment, MailTime) on "
                "SystemMailCopy to " +
                group);
    s.push_back("grant insert (MailFrom, MailTo, Subject, MailId, MailTime, Status), update "
                "(Status) on SystemMailNotify to " +
                group);
    // The key of a row just added is read with lastval(), which needs usage.
    s.push_back("do $$ declare t text; begin foreach t in array array['systemmail', "
                "'systemmailcopy', 'systemmailnotify'] loop execute format('grant usage on "
                "sequence %s to " +
                group + "', pg_get_serial_sequence(t, 'keyid')); end loop; end $$");
    for (const char* table : {kSystemMail, kSystemMailCopy, kSystemMailNotify})
        s.push_back(std::string("alter table ") + table + " enable row level security");
}

void AddChannelFunctions(std::vector<std::string>& s, std::string_view schema)
{
    const std::string definer =
        " security definer set search_path = " + QuotedName(schema) + ", pg_temp as $$ ";
    s.push_back("create or replace function SystemMailNotify_Channel(name text) returns text "
                "language sql stable" +
                definer +
                "select Channel from vellum_mail_channel where UserName = name and name = "
                "session_user $$");
    s.push_back("create or replace function SystemMailNotify_Announce() returns trigger "
                "language plpgsql" +
                definer +
                "begin perform pg_notify(Channel, '') from vellum_mail_channel where UserName "
                "= coalesce(new.MailTo, old.MailTo); return null; end $$");
}

// A ticket is 256 random bits the attachment server looks up with its own
// role to learn who asks; it names the session's login role, which a role
// of the group cannot change (SET ROLE to another user is refused). Expired
// tickets go whenever a new one is made.
void AddTicketFunction(std::vector<std::string>& s, std::string_view schema)
{
    s.push_back("create or replace function vellum_attachment_ticket() returns text language "
                "sql volatile security definer set search_path = " +
                QuotedName(schema) +
                ", pg_temp as $$ delete from vellum_attachment_ticket where Expires < now(); "
                "insert into vellum_attachment_ticket (Ticket, UserName, Expires) values "
                "(replace(gen_random_uuid()::text || gen_random_uuid()::text, '-', ''), "
                "session_user, now() + interval '10 minutes') returning Ticket $$");
    s.push_back("revoke all on function vellum_attachment_ticket() from public");
    s.push_back(std::string("grant execute on function vellum_attachment_ticket() to ") +
                kMailUsersRole);
}

} // namespace

std::vector<std::string> PerUserAccessStatements(std::string_view schema)
{
    std::vector<std::string> s;
    s.push_back(std::string("do $$ begin if not exists (select from pg_roles where rolname = '") +
                kMailUsersRole + "') then create role " + kMailUsersRole +
                " nologin; end if; end $$");
    s.push_back("create table if not exists vellum_mail_channel (UserName varchar(64) primary "
                "key, Channel text not null)");
    s.push_back("create table if not exists vellum_attachment_ticket (Ticket text primary key, "
                "UserName varchar(64) not null, Expires timestamptz not null)");
    // The attachment server finds the copies that name a file by the
    // random digits its stored name begins with.
    s.push_back("create index if not exists SystemMailCopy_AttachmentKey on SystemMailCopy "
                "(left(Attachment, 33))");
    s.push_back("grant usage on schema " + QuotedName(schema) + " to " + kMailUsersRole);
    AddPrivileges(s);
    AddPolicies(s);
    AddChannelFunctions(s, schema);
    AddTicketFunction(s, schema);
    return s;
}

bool EnablePerUserAccess(CDbSession& session, std::string& error)
{
    if (MailSchemaDialectOf(session.GetDbmsName()) != MailSchemaDialect::PostgreSQL) {
        error = "per-user access needs PostgreSQL";
        return false;
    }
    std::optional<std::string> schema = QueryValue(session, "select current_schema()", error);
    return schema && ExecuteAll(session, PerUserAccessStatements(*schema), error);
}

std::optional<bool> HasPerUserAccess(CDbSession& session, std::string& error)
{
    if (MailSchemaDialectOf(session.GetDbmsName()) != MailSchemaDialect::PostgreSQL)
        return false;
    std::optional<std::string> on = QueryValue(
        session, "select relrowsecurity from pg_class where oid = to_regclass('systemmail')",
        error);
    if (!on)
        return std::nullopt;
    return *on == "1" || *on == "t" || *on == "true";
}

std::optional<std::string> SessionRole(CDbSession& session, std::string& error)
{
    return QueryValue(session, "select current_user", error);
}

std::optional<std::string> SessionUser(CDbSession& session, const std::string& user,
                                       std::string& error)
{
    std::optional<bool> perUser = HasPerUserAccess(session, error);
    if (!perUser)
        return std::nullopt;
    if (!*perUser)
        return user;
    std::optional<std::string> role = SessionRole(session, error);
    if (role && !user.empty() && user != *role) {
        error = "the user " + user + " is not the role this connection logs in as (" + *role + ")";
        return std::nullopt;
    }
    return role;
}

bool AddMailUser(CDbSession& session, const std::string& name, const std::string& secret,
                 std::string& error)
{
    return ExecuteAll(
        session,
        {"create role " + QuotedName(name) + " login password " + SqlTextLiteral(secret.c_str()) +
             " in role " + kMailUsersRole,
         "insert into vellum_mail_channel (UserName, Channel) values (" +
             SqlTextLiteral(name.c_str()) +
             ", 'mail_' || replace(gen_random_uuid()::text, '-', '')) on conflict (UserName) do "
             "update set Channel = excluded.Channel"},
        error);
}

bool RemoveMailUser(CDbSession& session, const std::string& name, std::string& error)
{
    return ExecuteAll(
        session,
        {"drop role " + QuotedName(name),
         "delete from vellum_mail_channel where UserName = " + SqlTextLiteral(name.c_str()),
         "delete from vellum_attachment_ticket where UserName = " + SqlTextLiteral(name.c_str())},
        error);
}

std::optional<std::string> AttachmentTicket(CDbSession& session, std::string& error)
{
    std::optional<bool> perUser = HasPerUserAccess(session, error);
    if (!perUser)
        return std::nullopt;
    if (!*perUser)
        return std::string();
    return QueryValue(session, "select vellum_attachment_ticket()", error);
}
