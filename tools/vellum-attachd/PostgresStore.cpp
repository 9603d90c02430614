// Every statement goes through PQexecParams with binary parameters, so the
// file's bytes travel unescaped and names and owners (bytea, since a
// client's user name need not be in the database's encoding) cannot change
// the statement.
#include "PostgresStore.h"

#include <libpq-fe.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr char kDiskFull[] = "53100";

const char kCreateTables[] = "CREATE TABLE IF NOT EXISTS vellum_attachment ("
                             " name bytea PRIMARY KEY, owner bytea NOT NULL, size bigint NOT NULL,"
                             " stored timestamptz NOT NULL DEFAULT now());"
                             "CREATE TABLE IF NOT EXISTS vellum_attachment_piece ("
                             " name bytea NOT NULL, seq integer NOT NULL, data bytea NOT NULL,"
                             " PRIMARY KEY (name, seq))";

using Result = std::unique_ptr<PGresult, void (*)(PGresult*)>;

// Runs `sql` with binary parameters; `binaryResult` asks for the columns
// in binary too.
Result Run(PGconn* connection, const char* sql, const std::vector<std::string_view>& params = {},
           bool binaryResult = false)
{
    std::vector<const char*> values;
    std::vector<int> lengths, formats;
    for (std::string_view param : params) {
        values.push_back(param.data());
        lengths.push_back(static_cast<int>(param.size()));
        formats.push_back(1);
    }
    return Result(PQexecParams(connection, sql, static_cast<int>(params.size()), nullptr,
                               values.data(), lengths.data(), formats.data(), binaryResult ? 1 : 0),
                  &PQclear);
}

bool Succeeded(const Result& result)
{
    ExecStatusType status = PQresultStatus(result.get());
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

StoreFailure FailureOf(const Result& result)
{
    const char* state = PQresultErrorField(result.get(), PG_DIAG_SQLSTATE);
    return state && std::strcmp(state, kDiskFull) == 0 ? StoreFailure::Full : StoreFailure::Broken;
}

std::string BigEndian32(uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 3; i >= 0; --i, value >>= 8)
        bytes[static_cast<size_t>(i)] = static_cast<char>(value & 0xff);
    return bytes;
}

std::string BigEndian64(uint64_t value)
{
    return BigEndian32(static_cast<uint32_t>(value >> 32)) +
           BigEndian32(static_cast<uint32_t>(value));
}

class IncomingPostgresFile : public IncomingFile
{
public:
    IncomingPostgresFile(PostgresStore::Lease lease, std::string name)
        : m_lease(std::move(lease)), m_name(std::move(name))
    {
        m_piece.reserve(PostgresStore::kPieceSize);
    }

    ~IncomingPostgresFile() override
    {
        if (!m_kept)
            Run(m_lease.Connection(), "ROLLBACK");
    }

    bool Write(std::string_view data) override
    {
        while (!data.empty()) {
            size_t room = PostgresStore::kPieceSize - m_piece.size();
            m_piece.append(data.substr(0, room));
            data.remove_prefix(std::min(room, data.size()));
            if (m_piece.size() == PostgresStore::kPieceSize && !WritePiece())
                return false;
        }
        return true;
    }

    bool Keep(const std::string& owner) override
    {
        if (!m_piece.empty() && !WritePiece())
            return false;
        PGconn* connection = m_lease.Connection();
        std::string size = BigEndian64(m_size);
        if (!Check(Run(connection,
                       "INSERT INTO vellum_attachment (name, owner, size) VALUES ($1, $2, $3)",
                       {m_name, owner, size})) ||
            !Check(Run(connection, "COMMIT")))
            return false;
        m_kept = true;
        return true;
    }

    StoreFailure Failure() const override { return m_failure; }

private:
    bool WritePiece()
    {
        std::string seq = BigEndian32(m_seq);
        bool written = Check(Run(m_lease.Connection(),
                                 "INSERT INTO vellum_attachment_piece (name, seq, data)"
                                 " VALUES ($1, $2::integer, $3)",
                                 {m_name, seq, m_piece}));
        m_size += m_piece.size();
        ++m_seq;
        m_piece.clear();
        return written;
    }

    bool Check(const Result& result)
    {
        if (Succeeded(result))
            return true;
        m_failure = FailureOf(result);
        std::fprintf(stderr, "vellum-attachd: storing %s failed: %s", m_name.c_str(),
                     PQerrorMessage(m_lease.Connection()));
        return false;
    }

    PostgresStore::Lease m_lease;
    std::string m_name;
    std::string m_piece;
    uint32_t m_seq = 0;
    uint64_t m_size = 0;
    StoreFailure m_failure = StoreFailure::None;
    bool m_kept = false;
};

class StoredPostgresFile : public StoredFile
{
public:
    StoredPostgresFile(PostgresStore& store, std::string name, uint64_t size)
        : m_store(store), m_name(std::move(name)), m_size(size)
    {
    }

    uint64_t Size() const override { return m_size; }

    long Read(uint64_t offset, char* buffer, size_t capacity) override
    {
        if (offset >= m_size)
            return 0;
        uint64_t seq = offset / PostgresStore::kPieceSize;
        if (!m_hasPiece || seq != m_pieceSeq) {
            if (!Fetch(static_cast<uint32_t>(seq)))
                return -1;
        }
        size_t within = static_cast<size_t>(offset % PostgresStore::kPieceSize);
        if (within >= m_piece.size())
            return -1;
        size_t n = std::min(capacity, m_piece.size() - within);
        std::memcpy(buffer, m_piece.data() + within, n);
        return static_cast<long>(n);
    }

private:
    bool Fetch(uint32_t seq)
    {
        PostgresStore::Lease lease = m_store.Take();
        if (!lease.Connection())
            return false;
        std::string key = BigEndian32(seq);
        Result result = Run(lease.Connection(),
                            "SELECT data FROM vellum_attachment_piece"
                            " WHERE name = $1 AND seq = $2::integer",
                            {m_name, key}, true);
        if (!Succeeded(result) || PQntuples(result.get()) != 1)
            return false;
        m_piece.assign(PQgetvalue(result.get(), 0, 0),
                       static_cast<size_t>(PQgetlength(result.get(), 0, 0)));
        m_pieceSeq = seq;
        m_hasPiece = true;
        return true;
    }

    PostgresStore& m_store;
    std::string m_name;
    uint64_t m_size;
    std::string m_piece;
    uint64_t m_pieceSeq = 0;
    bool m_hasPiece = false;
};

} // namespace

PostgresStore::Lease::Lease(Lease&& other) noexcept
    : m_store(other.m_store), m_connection(other.m_connection)
{
    other.m_connection = nullptr;
}

PostgresStore::Lease::~Lease()
{
    if (!m_connection)
        return;
    --m_store->m_inUse;
    m_store->GiveBack(m_connection);
}

PostgresStore::PostgresStore(std::string connectString, size_t maxIdle,
                             std::chrono::seconds statementTimeout)
    : m_connectString(std::move(connectString)), m_maxIdle(maxIdle),
      m_statementTimeout(statementTimeout)
{
}

PostgresStore::~PostgresStore()
{
    for (PGconn* connection : m_idle)
        PQfinish(connection);
}

// An idle connection whose server went away (a restart closes it, and
// reading then finds the end) is dropped, not lent: a request on it would
// fail as if the file were missing.
PGconn* PostgresStore::TakeIdle()
{
    std::lock_guard lock(m_mutex);
    while (!m_idle.empty()) {
        PGconn* connection = m_idle.back();
        m_idle.pop_back();
        if (PQconsumeInput(connection) == 1 && PQstatus(connection) == CONNECTION_OK)
            return connection;
        ++m_dropped;
        PQfinish(connection);
    }
    return nullptr;
}

PostgresStore::Lease PostgresStore::Take()
{
    if (PGconn* idle = TakeIdle())
        return Lease(*this, idle);
    // A server that does not answer is given up after a few seconds, unless
    // the connection string sets its own connect_timeout (it comes later
    // and wins).
    const char* keywords[] = {"connect_timeout", "dbname", nullptr};
    const char* values[] = {"5", m_connectString.c_str(), nullptr};
    PGconn* connection = PQconnectdbParams(keywords, values, 1);
    // Set after connecting rather than as a startup option, which
    // pgbouncer refuses.
    std::string limit =
        "SET statement_timeout = " + std::to_string(m_statementTimeout.count() * 1000);
    if (PQstatus(connection) != CONNECTION_OK ||
        !Succeeded(Result(PQexec(connection, limit.c_str()), &PQclear))) {
        std::fprintf(stderr, "vellum-attachd: cannot reach the database: %s",
                     PQerrorMessage(connection));
        PQfinish(connection);
        ++m_failed;
        return Lease(*this, nullptr);
    }
    ++m_made;
    return Lease(*this, connection);
}

StoreFigures PostgresStore::Figures() const
{
    std::lock_guard lock(m_mutex);
    return {true, m_inUse, m_idle.size(), m_made, m_failed, m_dropped};
}

void PostgresStore::GiveBack(PGconn* connection)
{
    if (PQstatus(connection) == CONNECTION_OK && PQtransactionStatus(connection) == PQTRANS_IDLE) {
        std::lock_guard lock(m_mutex);
        if (m_idle.size() < m_maxIdle) {
            m_idle.push_back(connection);
            return;
        }
    }
    if (PQstatus(connection) != CONNECTION_OK)
        ++m_dropped;
    PQfinish(connection);
}

bool PostgresStore::Prepare()
{
    Lease lease = Take();
    if (!lease.Connection())
        return false;
    // Servers starting together would race to create the tables; one lock
    // (any fixed number) lets them do it one after the other.
    PGconn* connection = lease.Connection();
    bool made = Succeeded(Run(connection, "BEGIN")) &&
                Succeeded(Run(connection, "SELECT pg_advisory_xact_lock(7411520)")) &&
                Succeeded(Result(PQexec(connection, kCreateTables), &PQclear)) &&
                Succeeded(Run(connection, "COMMIT"));
    if (!made) {
        std::fprintf(stderr, "vellum-attachd: cannot make the tables: %s",
                     PQerrorMessage(connection));
        Run(connection, "ROLLBACK");
    }
    // Not kept idle: a server that only serves the feed, or waits for its
    // first upload, holds no database connection for its store.
    PQfinish(connection);
    lease.Forget();
    return made;
}

// A connection that broke on its first statement (the server restarted or
// the network was cut since it was last used) is replaced by a new one
// once; nothing had been done on it.
PostgresStore::Lease PostgresStore::TakeAndRun(const char* sql,
                                               const std::vector<std::string_view>& params,
                                               Result& result)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        Lease lease = Take();
        if (!lease.Connection())
            return lease;
        result = Run(lease.Connection(), sql, params);
        if (Succeeded(result) || PQstatus(lease.Connection()) == CONNECTION_OK)
            return lease;
    }
    return Lease(*this, nullptr);
}

std::unique_ptr<IncomingFile> PostgresStore::Receive(const std::string& name, StoreFailure& failure)
{
    Result begun(nullptr, &PQclear);
    Lease lease = TakeAndRun("BEGIN", {}, begun);
    if (!lease.Connection() || !Succeeded(begun)) {
        failure = StoreFailure::Unavailable;
        return nullptr;
    }
    return std::make_unique<IncomingPostgresFile>(std::move(lease), name);
}

// Only an answer of no rows means the file is not stored; a database that
// does not answer cannot say so.
std::unique_ptr<StoredFile> PostgresStore::Open(const std::string& name, StoreFailure& failure)
{
    failure = StoreFailure::None;
    Result result(nullptr, &PQclear);
    Lease lease = TakeAndRun("SELECT size FROM vellum_attachment WHERE name = $1", {name}, result);
    if (!lease.Connection() || !Succeeded(result)) {
        failure = StoreFailure::Unavailable;
        return nullptr;
    }
    if (PQntuples(result.get()) != 1)
        return nullptr;
    uint64_t size = std::strtoull(PQgetvalue(result.get(), 0, 0), nullptr, 10);
    return std::make_unique<StoredPostgresFile>(*this, name, size);
}

std::optional<std::vector<std::string>>
PostgresStore::QueryRow(const char* sql, const std::vector<std::string_view>& params)
{
    Result result(nullptr, &PQclear);
    Lease lease = TakeAndRun(sql, params, result);
    if (!lease.Connection() || !Succeeded(result)) {
        if (lease.Connection())
            std::fprintf(stderr, "vellum-attachd: %s", PQerrorMessage(lease.Connection()));
        return std::nullopt;
    }
    std::vector<std::string> row;
    if (PQntuples(result.get()) > 0) {
        for (int column = 0; column < PQnfields(result.get()); ++column)
            row.emplace_back(PQgetvalue(result.get(), 0, column),
                             static_cast<size_t>(PQgetlength(result.get(), 0, column)));
    }
    return row;
}
