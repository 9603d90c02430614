// The interface every database backend offers the session layer above it.
//
// A backend is one open connection to one database: it runs text statements,
// opens forward-only results that are read one row at a time, and reports
// failures as the database's own message. Text crosses this interface in the
// host code page in both directions; each backend converts at its own edge,
// since the databases themselves hold Unicode.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vellum::db {

// The type of one field value, as far as callers care: the grid formats
// floating values itself and treats everything else as text.
enum class FieldKind { Null, Integer, Real, Text, Blob };

// One field of the current row: its kind and its text (empty for Null).
struct FieldValue
{
    FieldKind kind = FieldKind::Null;
    std::string text;
};

// The result of one query, walked forward. It starts on the first row (or at
// the end when there is none) and never holds more than one row in memory.
class Cursor
{
public:
    virtual ~Cursor() = default;

    virtual int FieldCount() const = 0;
    virtual std::string FieldName(int index) const = 0;

    // True when there is no current row.
    virtual bool AtEnd() const = 0;

    // Steps to the next row; false (and LastError) when the database fails.
    // Stepping past the last row is not a failure: AtEnd becomes true.
    [[nodiscard]] virtual bool Next() = 0;

    // Reads one field of the current row; false (and LastError) when there is
    // no current row, the index is out of range or the database fails.
    [[nodiscard]] virtual bool Read(int index, FieldValue& value) = 0;

    // Stops reading rows (the cursor is at its end afterwards) while the
    // field names stay known. A backend whose open result holds a read
    // snapshot lets it go here, so that the same connection can then write
    // although others wrote since the query began.
    virtual void StopReading() {}

    virtual const std::string& LastError() const = 0;
};

class Backend
{
public:
    virtual ~Backend() = default;

    // Runs a statement; any rows it returns are discarded. When affected is
    // given it receives the row count the database reports (-1 when none).
    [[nodiscard]] virtual bool Execute(std::string_view sql, long* affected) = 0;

    // Opens a query; null (and LastError) on failure. maxRows above 0
    // promises that the caller reads no more rows than that, so a backend
    // whose driver would otherwise fetch the whole result first may fetch
    // only those; 0 reads them all.
    virtual std::unique_ptr<Cursor> Query(std::string_view sql, long maxRows) = 0;

    // The identity of the row this connection inserted last, when the
    // database can tell; nothing when it cannot.
    virtual std::optional<long long> LastInsertKey() = 0;

    // A transaction: after Begin no statement commits alone until Commit or
    // Rollback. Each is false (and LastError) when the database refuses it;
    // Rollback after a lost connection fails too, and the server has then
    // rolled back on its own.
    [[nodiscard]] virtual bool Begin() = 0;
    [[nodiscard]] virtual bool Commit() = 0;
    virtual bool Rollback() = 0;

    // The product name the database reports ("SQLite", "PostgreSQL", ...).
    virtual std::string DbmsName() const = 0;

    // True when the database takes no writes through this connection (a
    // read-only file, a read-only data source).
    virtual bool IsReadOnly() const = 0;

    // True when the server is gone from under the connection (restarted,
    // stopped, the network cut): nothing more runs on it until it is opened
    // again. An embedded database is never lost.
    virtual bool IsLost() const { return false; }

    virtual const std::string& LastError() const = 0;
};

} // namespace vellum::db
