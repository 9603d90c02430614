// A PostgreSQL connection of its own that waits for change notices: LISTEN
// and NOTIFY through libpq, since ODBC carries no notifications.
//
// The listener is opened from the same ODBC connection string as the
// session (Server, Port, Database, Uid, Pwd and the like are translated to
// libpq's names; the libpq settings in pqopt, such as sslrootcert, pass as
// psqlODBC passes them), but it never touches that session: it holds a second
// connection that only listens and runs the few small queries its owner
// asks for. The owner waits on SocketDescriptor (a QSocketNotifier, poll)
// and calls TakeNotices when it becomes readable; nothing here blocks
// except Open and Query.
#pragma once

#include "db/NoticeSource.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellum::db {

// The libpq connection parameters of an ODBC connection string for
// PostgreSQL; nothing for an SQLite string or one that names no server
// (a DSN, whose items live in odbc.ini).
std::optional<std::string> LibpqConninfoOf(std::string_view odbcConnect);

class ChangeListener : public NoticeSource
{
public:
    ChangeListener();
    ~ChangeListener() override;
    ChangeListener(const ChangeListener&) = delete;
    ChangeListener& operator=(const ChangeListener&) = delete;

    // Connects; false with the reason in LastError (passwords hidden).
    [[nodiscard]] bool Open(std::string_view odbcConnect);
    bool IsOpen() const;

    // Starts listening on a channel (any text; it is quoted here).
    [[nodiscard]] bool Listen(std::string_view channel);

    // Runs a query whose texts are given as parameters ($1, $2, ...), in
    // the host code page; the fields of its first row, a null field as
    // nothing. False (and LastError) on failure or when there is no row.
    [[nodiscard]] bool Query(std::string_view sql, const std::vector<std::string>& parameters,
                             std::vector<std::optional<std::string>>& row);

    int SocketDescriptor() const override;
    [[nodiscard]] bool TakeNotices(int& count) override;
    const std::string& LastError() const override { return m_error; }

private:
    struct Handle;
    bool Fail(std::string message);

    std::unique_ptr<Handle> m_handle;
    std::string m_connect; // to hide its password in messages
    std::string m_error;
};

} // namespace vellum::db
