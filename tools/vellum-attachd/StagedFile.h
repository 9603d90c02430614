// An upload's bytes held on disk while the client sends them, so that a
// database store is written in one go at the end instead of holding a
// connection and a transaction for as long as a slow client takes. The
// file is unlinked as soon as it is made: it leaves nothing behind however
// the upload ends, a crash of the server included.
#pragma once

#include "AttachmentStore.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class StagedFile
{
public:
    // A new empty file in `folder` (the system's temporary folder when
    // empty); nullptr, with `failure` set, when none can be made.
    static std::unique_ptr<StagedFile> Make(const std::string& folder, StoreFailure& failure);

    explicit StagedFile(int descriptor) : m_descriptor(descriptor) {}
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Appends `data`; false with `failure` set when the disk refuses it.
    [[nodiscard]] bool Write(std::string_view data, StoreFailure& failure);

    // Writes everything staged into `file`, piece by piece.
    [[nodiscard]] bool CopyTo(IncomingFile& file, StoreFailure& failure) const;

private:
    int m_descriptor;
    uint64_t m_size = 0;
};
