// The attachment server's files: one folder (the root) holding every stored
// attachment under a name the server made, plus a hidden folder recording
// who uploaded each one. Names from requests are only ever used after
// IsStoredName accepted them, so no request can reach outside the root.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

class AttachmentStore
{
public:
    explicit AttachmentStore(std::filesystem::path root);

    // Creates the root and its hidden folders; false when it cannot.
    bool Prepare();

    // True for names of the form the store gives out:
    // "YYYYMMDDhhmmss-xxxxxxxx" and an optional extension of up to ten
    // letters and digits.
    static bool IsStoredName(const std::string& name);

    // The extension (with its dot) of an uploaded file's name as the client
    // sent it (often a whole local path, Windows or POSIX); "" when it has
    // none fit for a stored name.
    static std::string ExtensionOf(const std::string& clientFileName);

    // A fresh file to receive an upload into.
    std::filesystem::path NewIncomingPath();

    // Moves a received file into the store under a new unique name with the
    // given extension and records its owner. When `replaces` names a stored
    // file of the same owner, that file is removed. The stored name, or
    // nothing when the move failed.
    std::optional<std::string> Keep(const std::filesystem::path& incoming, const std::string& owner,
                                    const std::string& extension, const std::string& replaces);

    // The path of a stored file, or nothing for a name that is not one.
    std::optional<std::filesystem::path> Find(const std::string& name) const;

private:
    std::string UniqueName(const std::string& extension);
    std::optional<std::string> OwnerOf(const std::string& name) const;

    std::filesystem::path m_root;
    std::filesystem::path m_owners;
    std::filesystem::path m_incoming;
};
