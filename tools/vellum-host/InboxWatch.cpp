// The query reads only the user's notices through the index on recipient
// and key; it is cheap enough for a timer even with many thousands of them.
#include "InboxWatch.h"

#include "store/DbRecordset.h"
#include "store/SqlLiteral.h"

#include <cstdlib>

namespace {

long NumberField(CDbRecordset& records, const char* name)
{
    const char* value = records.GetFieldValue(name);
    return value ? std::atol(value) : 0;
}

} // namespace

InboxWatch::InboxWatch(CDbSession& session, QObject* parent) : QObject(parent), m_session(session)
{
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { Check(); });
}

void InboxWatch::Watch(const std::string& userName)
{
    m_query = "select count(*) as Total, max(KeyId) as Newest,"
              " sum(case when Status=0 then 1 else 0 end) as Unread"
              " from SystemMailNotify where MailTo=" +
              SqlTextLiteral(userName.c_str());
    m_state = {};
    Check();
    m_timer.start();
}

bool InboxWatch::Check()
{
    CDbRecordset records;
    records.Attach(&m_session);
    if (records.Open(m_query.c_str()) != 1 || records.IsEOF())
        return false;
    InboxState now{NumberField(records, "Total"), NumberField(records, "Newest"),
                   NumberField(records, "Unread")};
    records.Close();
    if (now == m_state)
        return true;
    InboxState previous = m_state;
    m_state = now;
    emit Changed(previous, now);
    return true;
}
