// Reading one stored mail row (a draft in SystemMail or a delivered copy in
// SystemMailCopy) into the texts the dialogs show, and the quoted body that
// reply and forward start from.
#pragma once

#include "mail/MailSender.h"

#include <string>

class CDbSession;

// What a look-up of one row found.
enum class StoredMailLookup { Found, NoRow, QueryFailed };

// Runs the query (one row of a mail table) and copies Subject, MailFrom
// (into sender), Body, Attachment, MailTo and MailTime into fields; an SQL
// NULL gives an empty text. Without a row the fields are left as they were;
// when the query fails, error receives the record set's text.
StoredMailLookup LoadStoredMail(CDbSession* session, const std::string& query, MailFields& fields,
                                std::string& error);

// The header a reply or forward puts above the quoted mail.
std::string QuoteHeader(const MailFields& mail);

// The stored body with the quote header after every exact "<BODY>"; a body
// whose tag is written otherwise (lower case, attributes) gets none.
std::string QuotedBody(const MailFields& mail);
