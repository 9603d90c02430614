// The header texts are the system's own; "<BODY>" is matched exactly as the
// HTML engine's serializer writes it, so bodies written by the module's
// editor always carry the header.
#include "mail/StoredMail.h"

#include "platform/text/CodePage.h"
#include "store/DbRecordset.h"

using vellum::text::FromUtf8;

namespace {

// Moved out of the record set: the body may carry pictures by the megabyte.
std::string FieldText(CDbRecordset& row, const char* name)
{
    std::string text;
    row.TakeFieldValue(name, text);
    return text;
}

} // namespace

StoredMailLookup LoadStoredMail(CDbSession* session, const std::string& query, MailFields& fields,
                                std::string& error)
{
    CDbRecordset row;
    row.Attach(session);
    if (!row.Open(query.c_str())) {
        error = row.GetLastErrorText();
        return StoredMailLookup::QueryFailed;
    }
    if (row.IsEOF())
        return StoredMailLookup::NoRow;
    fields.subject = FieldText(row, "Subject");
    fields.sender = FieldText(row, "MailFrom");
    fields.body = FieldText(row, "Body");
    fields.attachment = FieldText(row, "Attachment");
    fields.mailTo = FieldText(row, "MailTo");
    fields.mailTime = FieldText(row, "MailTime");
    row.Close();
    return StoredMailLookup::Found;
}

std::string QuoteHeader(const MailFields& mail)
{
    return FromUtf8("<b>发件人:</b> ") + mail.sender + "<br>" + FromUtf8("<b>收件人:</b> ") +
           mail.mailTo + "<br>" + FromUtf8("<b>发送时间:</b> ") + mail.mailTime + "<br>" +
           FromUtf8("<b>标题:</b> ") + mail.subject + "<br><br>";
}

std::string QuotedBody(const MailFields& mail)
{
    static const std::string kTag = "<BODY>";
    const std::string insert = kTag + QuoteHeader(mail);
    std::string body = mail.body;
    for (size_t at = body.find(kTag); at != std::string::npos;
         at = body.find(kTag, at + insert.size()))
        body.replace(at, kTag.size(), insert);
    return body;
}
