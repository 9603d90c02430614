// The three mail tables and how `vellum init-db` creates them.
//
// The module itself creates no table: it assumes SystemMail,
// SystemMailCopy and SystemMailNotify exist. CreateMailTables makes the
// missing ones, with a database-given increasing KeyId and the indexes the
// folder queries need (sender + status + key for the drafts and the sent
// log, recipient + key for the inbox and the notifications, recipient +
// status for the unread count). On PostgreSQL it also makes the trigger
// that announces each change of a recipient's notices (see
// kInboxChannelQuery). Running it again changes nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CDbSession;

inline constexpr const char* kSystemMail = "SystemMail";
inline constexpr const char* kSystemMailCopy = "SystemMailCopy";
inline constexpr const char* kSystemMailNotify = "SystemMailNotify";

// The query (one text parameter, the user name) that gives the channel on
// which PostgreSQL announces changes of that user's notices: a name made
// from the user's, or with per-user access (store/PerUserAccess.h) a secret
// that only the user's own sessions are told.
inline constexpr const char* kInboxChannelQuery = "select SystemMailNotify_Channel($1)";

// The SQL dialects init-db can write.
enum class MailSchemaDialect { Unknown, SQLite, PostgreSQL, SqlServer, MySql };

// The dialect of a DBMS product name as a session reports it.
MailSchemaDialect MailSchemaDialectOf(std::string_view dbmsName);

// The statements that create the missing tables and indexes, in order;
// empty for an unknown dialect.
std::vector<std::string> MailSchemaStatements(MailSchemaDialect dialect);

// Runs MailSchemaStatements on an open session. 1 on success; 0 with the
// reason in error (the database's message, or an unknown DBMS).
int CreateMailTables(CDbSession& session, std::string& error);
