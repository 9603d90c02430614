// The type is checked twice: stat before opening, so that a device is never
// even opened (opening some has effects of its own), and fstat on the open
// descriptor, so that a file swapped for a FIFO in between is caught too.
// The open is non-blocking, so even that FIFO does not wait for a writer.
// A mail may name any local path, the open database among them: a file this
// process already holds open is never read, since closing our descriptor
// would drop every lock the process holds on it.
#include "html/LocalImageFile.h"

#include "platform/fs/HeldOpenFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vellum::html {

namespace {

bool IsSaneRegularFile(const struct stat& info, std::size_t maxBytes)
{
    return S_ISREG(info.st_mode) && info.st_size >= 0 &&
           static_cast<std::size_t>(info.st_size) <= maxBytes;
}

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

} // namespace

std::optional<std::string> ReadLocalImageFile(const std::string& path, std::size_t maxBytes)
{
    struct stat info
    {
    };
    if (path.empty() || stat(path.c_str(), &info) != 0 || !IsSaneRegularFile(info, maxBytes) ||
        vellum::fs::IsHeldOpenByThisProcess(path))
        return std::nullopt;
    FileDescriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.Get() < 0 || fstat(file.Get(), &info) != 0 || !IsSaneRegularFile(info, maxBytes))
        return std::nullopt;
    // The file may still grow while it is read: no more than its size at the
    // check (plus one byte, to notice) is ever read.
    std::string bytes(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        ssize_t got = read(file.Get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    if (filled > maxBytes)
        return std::nullopt;
    bytes.resize(filled);
    return bytes;
}

} // namespace vellum::html
