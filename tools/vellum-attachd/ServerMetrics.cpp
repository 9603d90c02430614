// The text format: a HELP and a TYPE line per family, then one line per
// series; answers by status list only the statuses that were given.
#include "ServerMetrics.h"

#include "AttachmentStore.h"

#include <sstream>

namespace {

void Family(std::ostringstream& out, const char* name, const char* type, const char* help)
{
    out << "# HELP vellum_attachd_" << name << " " << help << "\n# TYPE vellum_attachd_" << name
        << " " << type << "\n";
}

} // namespace

void ServerMetrics::Answered(unsigned status)
{
    if (status >= kFirstStatus && status < kFirstStatus + kStatuses)
        ++m_answers[status - kFirstStatus];
}

std::string ServerMetrics::Exposition(unsigned open, const StoreFigures& store) const
{
    std::ostringstream out;
    Family(out, "connections_open", "gauge", "Client connections open now.");
    out << "vellum_attachd_connections_open " << open << "\n";
    Family(out, "connections_accepted_total", "counter", "Client connections served.");
    out << "vellum_attachd_connections_accepted_total " << m_accepted << "\n";
    Family(out, "connections_refused_total", "counter",
           "Client connections closed at once: the server was full, or their address held its "
           "share.");
    out << "vellum_attachd_connections_refused_total{reason=\"server_full\"} "
        << m_refused[static_cast<size_t>(Refusal::ServerFull)] << "\n"
        << "vellum_attachd_connections_refused_total{reason=\"per_address\"} "
        << m_refused[static_cast<size_t>(Refusal::PerAddress)] << "\n";
    Family(out, "requests_total", "counter", "Requests answered, by status.");
    for (unsigned i = 0; i < kStatuses; ++i)
        if (uint64_t count = m_answers[i])
            out << "vellum_attachd_requests_total{status=\"" << kFirstStatus + i << "\"} " << count
                << "\n";
    Family(out, "received_bytes_total", "counter", "Bytes of upload bodies received.");
    out << "vellum_attachd_received_bytes_total " << m_received << "\n";
    Family(out, "sent_bytes_total", "counter", "Bytes of attachments sent.");
    out << "vellum_attachd_sent_bytes_total " << m_sent << "\n";
    if (!store.database)
        return out.str();
    Family(out, "database_connections", "gauge", "The store's database connections, by state.");
    out << "vellum_attachd_database_connections{state=\"in_use\"} " << store.inUse << "\n"
        << "vellum_attachd_database_connections{state=\"idle\"} " << store.idle << "\n";
    Family(out, "database_connects_total", "counter",
           "Connections to the database made, and attempts that failed.");
    out << "vellum_attachd_database_connects_total{result=\"made\"} " << store.made << "\n"
        << "vellum_attachd_database_connects_total{result=\"failed\"} " << store.failed << "\n";
    Family(out, "database_connections_dropped_total", "counter",
           "Connections found broken (a database restart) and dropped.");
    out << "vellum_attachd_database_connections_dropped_total " << store.dropped << "\n";
    Family(out, "database_workers", "gauge", "The threads that run database calls, by state.");
    out << "vellum_attachd_database_workers{state=\"busy\"} " << store.workersBusy << "\n"
        << "vellum_attachd_database_workers{state=\"idle\"} " << store.workers - store.workersBusy
        << "\n";
    Family(out, "database_calls_queued", "gauge", "Database calls waiting for a worker now.");
    out << "vellum_attachd_database_calls_queued " << store.queued << "\n";
    Family(out, "database_waits_total", "counter",
           "Database calls that found every worker busy, and those refused (503) after waiting "
           "too long.");
    out << "vellum_attachd_database_waits_total{result=\"waited\"} " << store.waited << "\n"
        << "vellum_attachd_database_waits_total{result=\"refused\"} " << store.timedOut << "\n";
    Family(out, "feed_subscribers", "gauge", "Desks subscribed to the live feed now.");
    out << "vellum_attachd_feed_subscribers " << store.feedSubscribers << "\n";
    Family(out, "feed_announcements_total", "counter", "Times a desk was told of new mail.");
    out << "vellum_attachd_feed_announcements_total " << store.feedAnnouncements << "\n";
    Family(out, "feed_reconnects_total", "counter",
           "Times the feed got its database connection back after losing it.");
    out << "vellum_attachd_feed_reconnects_total " << store.feedReconnects << "\n";
    return out.str();
}
