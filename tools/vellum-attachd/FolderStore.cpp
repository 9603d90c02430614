// An upload is written through its own buffer with plain write() calls, so
// that a full disk is seen as ENOSPC at the write that hit it rather than
// lost inside a stream; the owner file is written before the rename that
// makes the attachment visible, so a visible attachment always has one.
// The file's bytes, the owner file and both folders' entries reach the disk
// (fsync) before an upload is answered: a file the client was told is
// stored survives a power cut.
#include "FolderStore.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr size_t kWriteBuffer = 256 * 1024;

StoreFailure FailureOf(int error)
{
    return error == ENOSPC || error == EDQUOT ? StoreFailure::Full : StoreFailure::Broken;
}

bool WriteAll(int fd, const char* data, size_t length, StoreFailure& failure)
{
    while (length > 0) {
        ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failure = FailureOf(n < 0 ? errno : ENOSPC);
            return false;
        }
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// Flushes a file's bytes to the disk and closes it; false (with `failure`)
// when either fails, since the bytes may then be lost.
bool SyncAndClose(int fd, StoreFailure& failure)
{
    bool synced = ::fsync(fd) == 0;
    if (!synced)
        failure = FailureOf(errno);
    if (::close(fd) != 0 && synced) {
        failure = FailureOf(errno);
        synced = false;
    }
    return synced;
}

// Makes the entries of a folder (a rename, a new file) durable.
bool SyncFolder(const fs::path& folder, StoreFailure& failure)
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        failure = FailureOf(errno);
        return false;
    }
    return SyncAndClose(fd, failure);
}

// Writes a small file whole and durably; false (with `failure`) when any of
// it is lost.
bool WriteSmallFile(const fs::path& path, const std::string& text, StoreFailure& failure)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        failure = FailureOf(errno);
        return false;
    }
    bool written = WriteAll(fd, text.data(), text.size(), failure);
    if (!written) {
        ::close(fd);
        return false;
    }
    return SyncAndClose(fd, failure);
}

class IncomingFolderFile : public IncomingFile
{
public:
    IncomingFolderFile(int fd, fs::path incoming, fs::path root, fs::path owners, std::string name)
        : m_fd(fd), m_incoming(std::move(incoming)), m_root(std::move(root)),
          m_owners(std::move(owners)), m_name(std::move(name))
    {
        m_buffer.reserve(kWriteBuffer);
    }

    ~IncomingFolderFile() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
        std::error_code ignored;
        if (!m_kept) {
            fs::remove(m_incoming, ignored);
            if (m_ownerWritten)
                fs::remove(m_owners / m_name, ignored);
        }
    }

    bool Write(std::string_view data) override
    {
        if (m_buffer.size() + data.size() < kWriteBuffer) {
            m_buffer.append(data);
            return true;
        }
        if (!Flush())
            return false;
        if (data.size() >= kWriteBuffer)
            return WriteAll(m_fd, data.data(), data.size(), m_failure);
        m_buffer.append(data);
        return true;
    }

    bool Keep(const std::string& owner) override
    {
        if (!Flush())
            return false;
        int fd = m_fd;
        m_fd = -1;
        if (!SyncAndClose(fd, m_failure))
            return false;
        if (!WriteSmallFile(m_owners / m_name, owner, m_failure) ||
            !SyncFolder(m_owners, m_failure))
            return false;
        m_ownerWritten = true;
        std::error_code error;
        fs::rename(m_incoming, m_root / m_name, error);
        if (error) {
            m_failure = StoreFailure::Broken;
            return false;
        }
        m_kept = true;
        // The rename is in place; were its folder's entry lost, the file
        // would be too, so the answer waits for it.
        return SyncFolder(m_root, m_failure);
    }

    StoreFailure Failure() const override { return m_failure; }

private:
    bool Flush()
    {
        bool written = WriteAll(m_fd, m_buffer.data(), m_buffer.size(), m_failure);
        m_buffer.clear();
        return written;
    }

    int m_fd;
    fs::path m_incoming;
    fs::path m_root;
    fs::path m_owners;
    std::string m_name;
    std::string m_buffer;
    StoreFailure m_failure = StoreFailure::None;
    bool m_ownerWritten = false;
    bool m_kept = false;
};

class StoredFolderFile : public StoredFile
{
public:
    StoredFolderFile(int fd, uint64_t size) : m_fd(fd), m_size(size) {}
    ~StoredFolderFile() override { ::close(m_fd); }

    uint64_t Size() const override { return m_size; }
    int Descriptor() const override { return m_fd; }
    long Read(uint64_t offset, char* buffer, size_t capacity) override
    {
        return ::pread(m_fd, buffer, capacity, static_cast<off_t>(offset));
    }

private:
    int m_fd;
    uint64_t m_size;
};

// Uploads cut off by a crash leave files in ".incoming"; a day later no
// upload can still be writing them.
void RemoveStaleIncoming(const fs::path& incoming)
{
    std::error_code error;
    auto dayAgo = fs::file_time_type::clock::now() - std::chrono::hours(24);
    for (const fs::directory_entry& entry : fs::directory_iterator(incoming, error)) {
        if (entry.last_write_time(error) < dayAgo)
            fs::remove(entry.path(), error);
    }
}

} // namespace

FolderStore::FolderStore(fs::path root)
    : m_root(std::move(root)), m_owners(m_root / ".owners"), m_incoming(m_root / ".incoming")
{
}

bool FolderStore::Prepare()
{
    std::error_code error;
    fs::create_directories(m_owners, error);
    fs::create_directories(m_incoming, error);
    if (!fs::is_directory(m_owners) || !fs::is_directory(m_incoming)) {
        std::fprintf(stderr, "vellum-attachd: cannot use the folder %s\n", m_root.c_str());
        return false;
    }
    RemoveStaleIncoming(m_incoming);
    return true;
}

std::unique_ptr<IncomingFile> FolderStore::Receive(const std::string& name, StoreFailure& failure)
{
    fs::path incoming = m_incoming / name;
    int fd = ::open(incoming.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        failure = FailureOf(errno);
        return nullptr;
    }
    return std::make_unique<IncomingFolderFile>(fd, incoming, m_root, m_owners, name);
}

std::unique_ptr<StoredFile> FolderStore::Open(const std::string& name, StoreFailure& failure)
{
    failure = StoreFailure::None;
    int fd = ::open((m_root / name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<StoredFolderFile>(fd, static_cast<uint64_t>(status.st_size));
}
