// Where attachments live, seen by the server: an upload streams into an
// IncomingFile that nobody can download until Keep() made it visible under
// its final name in one step; a download streams out of a StoredFile. Two
// stores implement this: FolderStore (a folder, the default) and
// PostgresStore (the host's PostgreSQL database, so that several servers
// share the same files).
//
// Every object here is used by one connection at a time; the stores
// themselves may be used by all the server's threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Why a store operation failed, as far as the client needs to know.
enum class StoreFailure {
    None,
    Full,        // no room left for the file
    Unavailable, // the store's database cannot be reached (or has no room for
                 // another connection) right now; worth trying again soon
    Broken,      // anything else: the store could not be written
};

class IncomingFile
{
public:
    virtual ~IncomingFile() = default;

    // Appends `data`; false when it could not be stored (Failure() says why).
    [[nodiscard]] virtual bool Write(std::string_view data) = 0;

    // Makes the complete file visible under its name, owned by `owner`, and
    // durable: once Keep returns true the file survives a power cut. No
    // other file goes with it: the one an upload replaces may still be named
    // by delivered mail, which the server cannot see, so unnamed files are
    // left to the administrator's sweep (`vellum sweep`).
    [[nodiscard]] virtual bool Keep(const std::string& owner) = 0;

    // What went wrong in the last Write or Keep that failed.
    virtual StoreFailure Failure() const = 0;

    // An IncomingFile destroyed without a successful Keep leaves nothing.
};

class StoredFile
{
public:
    virtual ~StoredFile() = default;

    virtual uint64_t Size() const = 0;

    // A file descriptor to send the content from with sendfile, or -1 when
    // the content only comes through Read.
    virtual int Descriptor() const { return -1; }

    // Up to `capacity` bytes from `offset` into `buffer`: the count read,
    // 0 past the end, -1 on failure.
    [[nodiscard]] virtual long Read(uint64_t offset, char* buffer, size_t capacity) = 0;
};

// What a store on a database tells of its connections.
struct StoreFigures
{
    bool database = false; // false: the store holds no connections
    uint64_t inUse = 0;
    uint64_t idle = 0;
    uint64_t made = 0;
    uint64_t failed = 0;
    uint64_t dropped = 0;
    // The workers that run its calls (StoreWorkers).
    uint64_t workers = 0;
    uint64_t workersBusy = 0;
    uint64_t queued = 0;
    uint64_t waited = 0;   // calls that found every worker busy
    uint64_t timedOut = 0; // calls refused after waiting too long
    // The live feed beside it (FeedHub).
    uint64_t feedSubscribers = 0;
    uint64_t feedAnnouncements = 0; // desks told of new mail
    uint64_t feedReconnects = 0;
};

class AttachmentStore
{
public:
    virtual ~AttachmentStore() = default;

    virtual StoreFigures Figures() const { return {}; }

    // Gets the store ready to serve (folders, tables); false with a reason
    // on stderr when it cannot.
    [[nodiscard]] virtual bool Prepare() = 0;

    // Starts receiving a file to be stored as `name`; nullptr when the
    // store cannot take one (`failure` says why).
    virtual std::unique_ptr<IncomingFile> Receive(const std::string& name,
                                                  StoreFailure& failure) = 0;

    // The stored file `name` (already checked with IsStoredName), or
    // nullptr: with `failure` None when no such file is stored, Unavailable
    // when the store cannot tell now.
    virtual std::unique_ptr<StoredFile> Open(const std::string& name, StoreFailure& failure) = 0;
};
