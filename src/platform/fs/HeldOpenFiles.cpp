// The descriptors are listed from /proc/self/fd and compared by device and
// inode, so a second name for the file (a link, "./", a relative path) is
// found as well. Where /proc cannot be read, nothing is reported held.
#include "platform/fs/HeldOpenFiles.h"

#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>

namespace vellum::fs {
namespace {

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The descriptor a /proc/self/fd entry names, or -1 for "." and "..".
int DescriptorOf(const char* entryName)
{
    char* end = nullptr;
    long fd = std::strtol(entryName, &end, 10);
    return end != entryName && *end == '\0' ? static_cast<int>(fd) : -1;
}

} // namespace

bool IsHeldOpenByThisProcess(const std::string& path)
{
    struct stat target {};
    if (stat(path.c_str(), &target) != 0 || !S_ISREG(target.st_mode))
        return false;
    DIR* descriptors = opendir("/proc/self/fd");
    if (!descriptors)
        return false;
    bool held = false;
    while (const dirent* entry = readdir(descriptors)) {
        int fd = DescriptorOf(entry->d_name);
        struct stat open {};
        if (fd >= 0 && fstat(fd, &open) == 0 && SameFile(open, target)) {
            held = true;
            break;
        }
    }
    closedir(descriptors);
    return held;
}

} // namespace vellum::fs
