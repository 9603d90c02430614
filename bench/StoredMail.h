// The mail the dialog benchmarks open: a body stored as a draft of li's in
// a fresh SQLite database in the benchmark's scratch folder, and the 3 MB
// formatting-heavy body (every paragraph opens five formatting elements
// that it never closes, so the tree builder clones them into the next).
#pragma once

#include "store/DbSession.h"
#include "store/MailTables.h"
#include "store/SqlInsert.h"

#include <cstdio>
#include <string>

namespace vellum::bench {

inline std::string FormattingHeavyBody()
{
    std::string body = "<HTML><BODY>";
    while (body.size() < 3080000)
        body += "<p><font color=red><b><i><u>";
    return body + "</BODY></HTML>";
}

// Opens `session` on a new database in `folder` and stores the draft; the
// draft's key, or -1 after saying why on stderr.
inline int StoreDraft(CDbSession& session, const std::string& folder, const std::string& subject,
                      const std::string& body)
{
    std::string connect = "Provider=SQLite;Data Source=" + folder + "mail.db";
    std::string error;
    if (!session.Open(connect.c_str()) || !CreateMailTables(session, error)) {
        std::fprintf(stderr, "cannot prepare the database: %s%s\n",
                     session.GetLastErrorText().c_str(), error.c_str());
        return -1;
    }
    CSqlInsert insert;
    insert.SetTable("SystemMail");
    insert.SetString("MailFrom", "li");
    insert.SetString("Subject", subject.c_str());
    insert.SetString("Body", body.c_str());
    if (!session.Execute(insert.Build())) {
        std::fprintf(stderr, "cannot store the draft: %s\n", session.GetLastErrorText().c_str());
        return -1;
    }
    return session.GetLastInsertKeyId("SystemMail");
}

} // namespace vellum::bench
