// The store in the host's PostgreSQL database, for installations where
// several servers (on several machines, behind any HTTP load balancer)
// serve the same attachments. A file is kept as rows of pieces of
// kPieceSize bytes in "vellum_attachment_piece" plus one row in
// "vellum_attachment" naming it; both tables are made on first use.
//
// An upload writes its pieces inside one transaction on a connection of
// its own and adds the naming row last, so other servers see the whole
// file at its commit or nothing at all: an upload that fails, or a server
// killed in the middle of one, is rolled back by the database. A download
// reads one piece per query, so neither direction ever holds more than a
// piece in memory. Every call blocks on the database: the server makes
// them from its StoreWorkers, never from an I/O thread.
#pragma once

#include "AttachmentStore.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

typedef struct pg_conn PGconn;
typedef struct pg_result PGresult;

class PostgresStore : public AttachmentStore
{
public:
    static constexpr size_t kPieceSize = 256 * 1024;

    // Keeps at most `maxIdle` connections idle; every statement is cut off
    // after `statementTimeout`.
    PostgresStore(std::string connectString, size_t maxIdle, std::chrono::seconds statementTimeout);
    ~PostgresStore() override;

    bool Prepare() override;
    std::unique_ptr<IncomingFile> Receive(const std::string& name, StoreFailure& failure) override;
    std::unique_ptr<StoredFile> Open(const std::string& name, StoreFailure& failure) override;
    StoreFigures Figures() const override;

    // The first row `sql` answers, as text (an empty row when it answers
    // none); nothing when the database cannot answer now. For the server's
    // own questions beside the files (who holds a ticket).
    std::optional<std::vector<std::string>> QueryRow(const char* sql,
                                                     const std::vector<std::string_view>& params);

    // Connections are reused: an idle one is taken, or a new one made.
    class Lease;
    Lease Take();

private:
    using Result = std::unique_ptr<pg_result, void (*)(pg_result*)>;

    PGconn* TakeIdle();
    Lease TakeAndRun(const char* sql, const std::vector<std::string_view>& params, Result& result);
    void GiveBack(PGconn* connection);

    std::string m_connectString;
    size_t m_maxIdle;
    std::chrono::seconds m_statementTimeout;
    mutable std::mutex m_mutex;
    std::vector<PGconn*> m_idle;
    std::atomic<uint64_t> m_inUse{0};
    std::atomic<uint64_t> m_made{0};
    std::atomic<uint64_t> m_failed{0};
    std::atomic<uint64_t> m_dropped{0};
};

// A connection taken from the store; it goes back when the lease ends,
// unless it broke or is inside a transaction.
class PostgresStore::Lease
{
public:
    Lease(PostgresStore& store, PGconn* connection) : m_store(&store), m_connection(connection)
    {
        if (m_connection)
            ++m_store->m_inUse;
    }
    Lease(Lease&& other) noexcept;
    Lease& operator=(Lease&&) = delete;
    ~Lease();

    PGconn* Connection() const { return m_connection; }

    // The connection was closed here: nothing goes back.
    void Forget()
    {
        if (m_connection)
            --m_store->m_inUse;
        m_connection = nullptr;
    }

private:
    PostgresStore* m_store;
    PGconn* m_connection;
};
