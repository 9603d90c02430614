// Crash-safe private files on POSIX. The rename is what makes a write
// atomic: it replaces the name in one step, and the data behind the new name
// was flushed before, so a kill or a power cut at any moment leaves either
// the previous file or the complete new one. The folder is flushed after the
// rename so that the new name itself is on disk.
#include "platform/fs/PrivateFile.h"

#include "platform/fs/ModuleHome.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vellum::fs {

namespace {

std::string FolderOf(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// The state folder may hold other applications' folders; only ours is
// narrowed to its owner.
bool MakePrivateFolder(const std::string& folder)
{
    if (!MakeFolders(folder))
        return false;
    return chmod(folder.c_str(), 0700) == 0;
}

bool WriteAll(int descriptor, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t written = write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void SyncFolder(const std::string& folder)
{
    int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    fsync(descriptor);
    close(descriptor);
}

} // namespace

std::string UserStateFolder(std::string_view application)
{
    std::string base;
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    if (state && state[0] == '/')
        base = state;
    else if (home && home[0] == '/')
        base = std::string(home) + "/.local/state";
    else
        return {};
    if (base.back() != '/')
        base += '/';
    return base + std::string(application) + "/";
}

bool WritePrivateFileAtomically(const std::string& path, std::string_view bytes)
{
    std::string folder = FolderOf(path);
    if (!MakePrivateFolder(folder))
        return false;
    std::string temporary = path + ".XXXXXX";
    // mkstemp creates the file with mode 600 and O_EXCL, so nobody else can
    // have it open or read it in between.
    int descriptor = mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0)
        return false;
    bool written = WriteAll(descriptor, bytes) && fsync(descriptor) == 0;
    written = close(descriptor) == 0 && written;
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    SyncFolder(folder);
    return true;
}

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t n = read(descriptor, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            close(descriptor);
            return std::nullopt;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    close(descriptor);
    return bytes;
}

bool RemoveFile(const std::string& path)
{
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

} // namespace vellum::fs
