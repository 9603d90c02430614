#include "StagedFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

constexpr size_t kCopyPiece = 256 * 1024;

StoreFailure FailureOf(int error)
{
    return error == ENOSPC || error == EDQUOT ? StoreFailure::Full : StoreFailure::Broken;
}

} // namespace

std::unique_ptr<StagedFile> StagedFile::Make(const std::string& folder, StoreFailure& failure)
{
    std::string base = folder;
    if (base.empty()) {
        const char* temp = std::getenv("TMPDIR");
        base = temp && *temp ? temp : "/tmp";
    }
    std::string path = base + "/vellum-upload-XXXXXX";
    int descriptor = mkstemp(path.data());
    if (descriptor < 0) {
        std::fprintf(stderr, "vellum-attachd: cannot stage an upload in %s: %s\n", base.c_str(),
                     std::strerror(errno));
        failure = FailureOf(errno);
        return nullptr;
    }
    unlink(path.c_str());
    return std::make_unique<StagedFile>(descriptor);
}

StagedFile::~StagedFile()
{
    close(m_descriptor);
}

bool StagedFile::Write(std::string_view data, StoreFailure& failure)
{
    while (!data.empty()) {
        ssize_t n = ::write(m_descriptor, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failure = FailureOf(n < 0 ? errno : ENOSPC);
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
        m_size += static_cast<uint64_t>(n);
    }
    return true;
}

bool StagedFile::CopyTo(IncomingFile& file, StoreFailure& failure) const
{
    std::string piece(kCopyPiece, '\0');
    for (uint64_t offset = 0; offset < m_size;) {
        ssize_t n = ::pread(m_descriptor, piece.data(), piece.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failure = StoreFailure::Broken;
            return false;
        }
        if (!file.Write(std::string_view(piece.data(), static_cast<size_t>(n)))) {
            failure = file.Failure();
            return false;
        }
        offset += static_cast<uint64_t>(n);
    }
    return true;
}
