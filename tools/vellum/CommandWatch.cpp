// `vellum watch`: one line per new mail for a user as it arrives, for
// scripts and tests. On PostgreSQL it listens as the host's live inbox does
// (the channel kInboxChannelQuery names, so on a per-user database only the
// user's own role hears it) and reads the new notices when the server
// announces a change; it also looks every few seconds, so a listener that
// cannot hear (a pooler, a restart) only makes lines later, never lost.
// Lines are the notice's key, its sender and its subject, tab-separated,
// flushed at once. With a live feed in tolvan.ini (FeedServer) it hears
// through the feed, as the host does.
#include "Command.h"
#include "base/Backoff.h"
#include "db/ChangeListener.h"
#include "net/FeedListener.h"
#include "store/DbRecordset.h"
#include "store/DbSession.h"
#include "store/MailTables.h"
#include "store/PerUserAccess.h"
#include "store/QueryValue.h"
#include "store/SqlLiteral.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <poll.h>
#include <thread>

namespace {

constexpr int kLookEveryMs = 3000;

class MailWatch
{
public:
    MailWatch(CDbSession& session, std::string connect, std::string user)
        : m_session(session), m_connect(std::move(connect)), m_user(std::move(user))
    {
    }

    // Runs until stopped; 1 when where the inbox stands cannot be read.
    int Run()
    {
        std::string error;
        std::optional<std::string> newest =
            QueryValue(m_session,
                       "select max(KeyId) from SystemMailNotify where MailTo=" +
                           SqlTextLiteral(m_user.c_str()),
                       error);
        if (!newest)
            return CommandFailure(WithoutLineEnd(error));
        m_last = std::atol(newest->c_str());
        while (true) {
            Listen();
            WaitForNews();
            PrintNew();
        }
    }

private:
    // A listener that failed is tried again after a growing wait; each try
    // of a feed goes to the next server listed.
    void Listen()
    {
        if (m_listener || std::chrono::steady_clock::now() < m_nextTry)
            return;
        m_listener = m_feeds.empty() ? OpenListener() : OpenFeed();
        if (m_listener)
            m_backoff.Reset();
        else
            m_nextTry = std::chrono::steady_clock::now() + m_backoff.Next();
    }

    std::unique_ptr<vellum::db::NoticeSource> OpenListener()
    {
        if (!vellum::db::LibpqConninfoOf(m_connect))
            return nullptr;
        auto listener = std::make_unique<vellum::db::ChangeListener>();
        std::vector<std::optional<std::string>> channel;
        if (listener->Open(m_connect) && listener->Query(kInboxChannelQuery, {m_user}, channel) &&
            channel[0] && listener->Listen(*channel[0]))
            return listener;
        return nullptr;
    }

    std::unique_ptr<vellum::db::NoticeSource> OpenFeed()
    {
        std::string error;
        std::optional<std::string> ticket = AttachmentTicket(m_session, error);
        auto feed = std::make_unique<FeedListener>();
        if (ticket && feed->Open(m_feeds[m_nextFeed++ % m_feeds.size()], m_user, *ticket))
            return feed;
        return nullptr;
    }

    void WaitForNews()
    {
        if (!m_listener) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kLookEveryMs));
            return;
        }
        pollfd socket{m_listener->SocketDescriptor(), POLLIN, 0};
        int notices = 0;
        if (poll(&socket, 1, kLookEveryMs) > 0 && !m_listener->TakeNotices(notices))
            m_listener.reset();
    }

    // Prints the notices after the last one printed. A query that failed is
    // asked again next round (the session opens again by itself once the
    // server is back).
    void PrintNew()
    {
        CDbRecordset rows;
        rows.Attach(&m_session);
        std::string query = "select KeyId, MailFrom, Subject from SystemMailNotify where MailTo=" +
                            SqlTextLiteral(m_user.c_str()) + " and KeyId > " +
                            std::to_string(m_last) + " order by KeyId";
        if (!rows.Open(query.c_str()))
            return;
        for (; !rows.IsEOF(); rows.MoveNext()) {
            std::string line;
            for (int field = 0; field < 3; ++field) {
                const char* value = rows.GetFieldValueAt(field);
                line += (field ? "\t" : "") + std::string(value ? value : "");
            }
            m_last = std::max(m_last, std::atol(rows.GetFieldValueAt(0)));
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
        }
    }

    CDbSession& m_session;
    std::string m_connect;
    std::string m_user;
    long m_last = 0;
    std::unique_ptr<vellum::db::NoticeSource> m_listener;
    std::vector<std::string> m_feeds = FeedServerAddresses();
    size_t m_nextFeed = 0;
    Backoff m_backoff{std::chrono::milliseconds(250), std::chrono::seconds(5)};
    std::chrono::steady_clock::time_point m_nextTry;
};

int RunWatch(const CommandArgs& given)
{
    CommandArgs args = given;
    std::string connect, user;
    if (!TakeConnect(args, connect, "watch"))
        return 1;
    TakeOption(args, "user", user);
    CDbSession session;
    session.SetReopenWhenLost(1);
    if (!OpenSession(args, session, connect) || !ResolveUser(session, user, "watch"))
        return 1;
    if (!args.empty())
        return CommandFailure("watch: unexpected argument \"" + args[0] + "\"");
    return MailWatch(session, connect, user).Run();
}

const VellumCommand
    kWatch("watch", "print a line for each new mail of a user as it arrives",
           "usage: vellum watch --connect CONNECTION --user NAME\n\n"
           "Prints one line for each notice that reaches NAME's inbox from now on: its KeyId,\n"
           "sender and subject, tab-separated, flushed at once; runs until stopped. On\n"
           "PostgreSQL it listens for the server's announcements as the host's live inbox does\n"
           "(through the live feed when \"data/tolvan.ini\" names FeedServer);\n"
           "it also looks every 3 s, and rides out a restart of the database. On a per-user\n"
           "database NAME must be the role CONNECTION logs in as, and may be left out.",
           RunWatch);

} // namespace
