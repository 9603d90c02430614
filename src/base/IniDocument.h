// CIniDocument: the module's store for sectioned name=value settings. It reads
// a whole ini-style file into a tree of CIniNode objects, answers lookups from
// the tree and writes the whole tree back on Save. It also serves, unsaved, as
// the exchange record of the dialogs (section ".").
//
// Names compare without regard to letter case; a multibyte character of the
// host code page compares byte for byte. Values are stored unescaped; on disk
// a backslash, carriage return and line feed are written "\\", "\r", "\n".
// The document never converts code pages.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One section or one key. A section's children are its keys in order; a key's
// parent is its section. Nodes are owned by their document.
struct CIniNode
{
    std::string name;
    std::string value; // empty for a section
    int isSection = 0; // 1 for a section, 0 for a key
    std::vector<CIniNode*> children;
    CIniNode* parent = nullptr;
};

class CIniDocument
{
public:
    CIniDocument();
    ~CIniDocument();
    CIniDocument(const CIniDocument&) = delete;
    CIniDocument& operator=(const CIniDocument&) = delete;
    // Nodes live on the heap, so a move keeps every node pointer valid.
    CIniDocument(CIniDocument&&) = default;
    CIniDocument& operator=(CIniDocument&&) = default;

    // Replaces the content with the file at `path` (host code page). Returns
    // 0 when no file is there (content kept) or it cannot be opened (content
    // left empty), else 1.
    int Load(const std::string& path);

    // Writes the whole document to `path`, replacing the file. Returns 0 when
    // the file cannot be created.
    int Save(const std::string& path) const;

    // Deletes every node and forgets the current section; the path stays.
    void Clear();

    // The value of the key; std::nullopt when the section or key is missing.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // The value read as a signed decimal number from its start; 0 when
    // missing or when it does not begin with a number.
    int GetInt(std::string_view section, std::string_view key) const;

    // Creates the section and the key when missing and stores the value.
    // Always returns 1.
    int Set(std::string_view section, std::string_view key, std::string_view value);
    int SetInt(std::string_view section, std::string_view key, int value);

    // Fills `names` with every section name that is not empty, in order.
    int GetSectionNames(std::vector<std::string>* names) const;

    // Fills `keys` with the key names of the section in order; 0 when the
    // section is missing or `keys` is null.
    int GetKeys(std::string_view section, std::vector<std::string>* keys) const;

    // The path given to the last Load.
    const std::string& GetPath() const { return m_path; }

private:
    CIniNode* FindSection(std::string_view section) const;
    CIniNode* FindKey(const CIniNode* section, std::string_view key) const;
    CIniNode* AddSection(std::string_view name);
    CIniNode* AddKey(CIniNode* section, std::string_view name, std::string_view value);
    void LoadLine(std::string line, CIniNode*& section);

    std::vector<std::unique_ptr<CIniNode>> m_nodes;
    CIniNode m_root;
    std::string m_path;
    // A lookup cache only, so const lookups may move it.
    mutable CIniNode* m_currentSection = nullptr;
};
