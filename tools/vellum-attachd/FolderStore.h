// The default store: one folder (the root) holding every attachment under
// its stored name, a hidden ".owners" folder recording who uploaded each
// one, and a hidden ".incoming" folder where uploads grow until they are
// complete. Names never start with a dot, so neither hidden folder can be
// downloaded.
#pragma once

#include "AttachmentStore.h"

#include <filesystem>

class FolderStore : public AttachmentStore
{
public:
    explicit FolderStore(std::filesystem::path root);

    bool Prepare() override;
    std::unique_ptr<IncomingFile> Receive(const std::string& name, StoreFailure& failure) override;
    std::unique_ptr<StoredFile> Open(const std::string& name, StoreFailure& failure) override;

private:
    std::filesystem::path m_root;
    std::filesystem::path m_owners;
    std::filesystem::path m_incoming;
};
