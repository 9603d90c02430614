// Stored names are made of the time and a random number, never of anything
// the client sent besides a checked extension.
#include "AttachmentStore.h"

#include <cctype>
#include <ctime>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxExtension = 10;

bool IsExtension(const std::string& text)
{
    if (text.size() < 2 || text.size() > kMaxExtension + 1 || text[0] != '.')
        return false;
    for (size_t i = 1; i < text.size(); ++i) {
        if (!std::isalnum(static_cast<unsigned char>(text[i])))
            return false;
    }
    return true;
}

} // namespace

AttachmentStore::AttachmentStore(fs::path root)
    : m_root(std::move(root)), m_owners(m_root / ".owners"), m_incoming(m_root / ".incoming")
{
}

bool AttachmentStore::Prepare()
{
    std::error_code error;
    fs::create_directories(m_owners, error);
    fs::create_directories(m_incoming, error);
    return fs::is_directory(m_owners) && fs::is_directory(m_incoming);
}

bool AttachmentStore::IsStoredName(const std::string& name)
{
    if (name.size() < 23 || name[14] != '-')
        return false;
    for (size_t i = 0; i < 23; ++i) {
        if (i == 14)
            continue;
        char c = name[i];
        bool ok = i < 14 ? std::isdigit(static_cast<unsigned char>(c))
                         : std::isdigit(static_cast<unsigned char>(c)) || (c >= 'a' && c <= 'f');
        if (!ok)
            return false;
    }
    return name.size() == 23 || IsExtension(name.substr(23));
}

std::string AttachmentStore::ExtensionOf(const std::string& clientFileName)
{
    std::string base = clientFileName.substr(clientFileName.find_last_of("/\\") + 1);
    size_t dot = base.rfind('.');
    if (dot == std::string::npos)
        return {};
    std::string extension = base.substr(dot);
    return IsExtension(extension) ? extension : std::string();
}

std::string AttachmentStore::UniqueName(const std::string& extension)
{
    static std::mt19937 random{std::random_device{}()};
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    for (;;) {
        char name[64];
        size_t n = std::strftime(name, sizeof name, "%Y%m%d%H%M%S", &local);
        std::snprintf(name + n, sizeof name - n, "-%08x", static_cast<unsigned>(random()));
        std::string candidate = name + extension;
        if (!fs::exists(m_root / candidate) && !fs::exists(m_owners / candidate))
            return candidate;
    }
}

fs::path AttachmentStore::NewIncomingPath()
{
    return m_incoming / (UniqueName("") + ".part");
}

std::optional<std::string> AttachmentStore::OwnerOf(const std::string& name) const
{
    std::ifstream in(m_owners / name, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::optional<std::string> AttachmentStore::Keep(const fs::path& incoming, const std::string& owner,
                                                 const std::string& extension,
                                                 const std::string& replaces)
{
    std::string name = UniqueName(extension);
    std::error_code error;
    std::ofstream(m_owners / name, std::ios::binary) << owner;
    fs::rename(incoming, m_root / name, error);
    if (error) {
        fs::remove(m_owners / name, error);
        return std::nullopt;
    }
    if (IsStoredName(replaces) && OwnerOf(replaces) == owner) {
        fs::remove(m_root / replaces, error);
        fs::remove(m_owners / replaces, error);
    }
    return name;
}

std::optional<fs::path> AttachmentStore::Find(const std::string& name) const
{
    if (!IsStoredName(name) || !fs::is_regular_file(m_root / name))
        return std::nullopt;
    return m_root / name;
}
