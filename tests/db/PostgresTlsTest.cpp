// TLS to PostgreSQL, verified, on both ways the module connects: the
// session through psqlODBC, and libpq's listener (the live inbox, `vellum
// watch`) made from the same ODBC string. A cluster of its own takes TCP
// only over TLS, with a certificate for 127.0.0.1 from a CA made here; the
// shared cluster stands for a server without TLS.
#include "db/ChangeListener.h"
#include "db/Connection.h"
#include "db/ConnectionString.h"
#include "support/OdbcDrivers.h"
#include "support/PostgresServer.h"
#include "support/ScratchFolder.h"
#include "support/TestCertificates.h"

#include <gtest/gtest.h>

namespace {

using namespace vellum::db;
using namespace vellum::testing;

constexpr const char* kOwnTls = "select version from pg_stat_ssl where pid = pg_backend_pid()";

// Each gives the TLS version of its own session, or why it did not connect.
std::string ThroughOdbc(const std::string& connect)
{
    Connection session;
    FieldValue value;
    std::unique_ptr<Cursor> cursor;
    bool read =
        session.Open(connect) && (cursor = session.Query(kOwnTls)) && cursor->Read(0, value);
    return read ? value.text : session.LastError();
}

std::string ThroughLibpq(const std::string& connect)
{
    ChangeListener listener;
    std::vector<std::optional<std::string>> row;
    bool read = listener.Open(connect) && listener.Query(kOwnTls, {}, row);
    return read ? row[0].value_or("no TLS") : listener.LastError();
}

TEST(PostgresTlsTest, OnlyAVerifiedServerIsReachedAndNothingInClear)
{
    ScratchFolder folder;
    const std::string dir = folder.Path();
    ASSERT_TRUE(MakeCertificate(dir, "ca") && MakeCertificate(dir, "stranger") &&
                MakeCertificate(dir, "server", "IP:127.0.0.1", "ca"));
    PgCluster tls;
    ASSERT_TRUE(tls.ServeTlsOnly(dir + "server.pem", dir + "server.key")) << tls.Error();
    auto plainPort = ConnectionStringValue(PostgresOdbcConnectString(), "Port");
    ASSERT_TRUE(plainPort) << PostgresStartError();
    struct Case
    {
        bool tlsServer;
        const char *host, *sslmode, *rootCertificate;
        const char* refusal; // null: connects over TLS
    } const cases[] = {
        {true, "127.0.0.1", "verify-full", "ca", nullptr},
        {true, "localhost", "verify-full", "ca", "does not match host name \"localhost\""},
        {true, "127.0.0.1", "verify-full", "stranger", "certificate verify failed"},
        {false, "127.0.0.1", "verify-full", "ca", "server does not support SSL"},
        // Unverified, the wrong name passes: the refusal above is the check's.
        {true, "localhost", "require", "ca", nullptr},
        {true, "127.0.0.1", "disable", "ca", "no encryption"},
    };
    for (const Case& c : cases) {
        const std::string connect =
            "Driver=" + OdbcDriverPath("psqlodbcw.so") + ";Server=" + c.host +
            ";Port=" + (c.tlsServer ? std::to_string(tls.Port()) : *plainPort) +
            ";Database=postgres;Uid=postgres;SSLmode=" + c.sslmode + ";pqopt={sslrootcert=" + dir +
            c.rootCertificate + ".pem}";
        for (auto reach : {&ThroughOdbc, &ThroughLibpq}) {
            SCOPED_TRACE(connect +
                         (reach == &ThroughOdbc ? " through psqlODBC" : " through libpq"));
            const std::string reached = reach(connect);
            if (c.refusal)
                EXPECT_NE(reached.find(c.refusal), std::string::npos) << reached;
            else
                EXPECT_EQ(reached.rfind("TLSv1.", 0), 0u) << reached;
        }
    }
}

} // namespace
