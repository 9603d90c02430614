// Loading, looking up, setting and saving the ini tree. The file format is
// kept byte for byte as the host's other tools expect it: every section is
// preceded by an empty line and lines end in "\r\n".
#include "base/IniDocument.h"

#include "base/LeadingNumber.h"
#include "base/NameCompare.h"
#include "platform/fs/ModuleHome.h"
#include "platform/text/CodePage.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

std::string EscapeValue(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

// A backslash before anything but "\", "r" or "n" (or at the end) stays as it
// is, and the byte after it is read normally.
std::string UnescapeValue(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        char next = i + 1 < value.size() ? value[i + 1] : '\0';
        if (value[i] == '\\' && (next == '\\' || next == 'r' || next == 'n')) {
            out += next == 'r' ? '\r' : next == 'n' ? '\n' : '\\';
            ++i;
            continue;
        }
        out += value[i];
    }
    return out;
}

// Reads one line of any length, line feed included; false at the end of the
// file. The last line counts even without a line ending.
bool ReadLine(FILE* file, std::string& line)
{
    line.clear();
    for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
        line += static_cast<char>(c);
        if (c == '\n')
            return true;
    }
    return !line.empty();
}

// A line is a C string to the format: a NUL byte ends it. Carriage returns
// and line feeds are removed wherever they stand.
std::string LineContent(const std::string& line)
{
    std::string out;
    out.reserve(line.size());
    for (char c : line) {
        if (c == '\0')
            break;
        if (c != '\r' && c != '\n')
            out += c;
    }
    return out;
}

} // namespace

CIniDocument::CIniDocument()
{
    m_root.isSection = 1;
}

CIniDocument::~CIniDocument() = default;

int CIniDocument::Load(const std::string& path)
{
    std::string osPath = vellum::text::ToUtf8(path);
    if (!vellum::fs::FileExists(osPath))
        return 0;
    Clear();
    m_path = path;
    FILE* file = std::fopen(osPath.c_str(), "rb");
    if (!file)
        return 0;
    std::string line;
    CIniNode* section = nullptr;
    while (ReadLine(file, line))
        LoadLine(line, section);
    std::fclose(file);
    return 1;
}

void CIniDocument::LoadLine(std::string line, CIniNode*& section)
{
    line = LineContent(line);
    size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos)
        return;
    std::string_view text = std::string_view(line).substr(start);

    if (text.front() == '[') {
        size_t close = text.find(']');
        if (close == std::string_view::npos)
            return; // a damaged header is skipped; its keys join the section before
        std::string_view name = text.substr(0, close);
        name.remove_prefix(std::min(name.find_first_not_of('['), name.size()));
        section = AddSection(name);
        return;
    }
    if (!section)
        return; // keys before the first section have nowhere to live
    size_t equal = text.find('=');
    if (equal == std::string_view::npos) {
        AddKey(section, text, "");
        return;
    }
    AddKey(section, text.substr(0, equal), UnescapeValue(text.substr(equal + 1)));
}

int CIniDocument::Save(const std::string& path) const
{
    FILE* file = std::fopen(vellum::text::ToUtf8(path).c_str(), "wb");
    if (!file)
        return 0;
    std::string out;
    for (const CIniNode* section : m_root.children) {
        out += "\r\n[" + section->name + "]\r\n";
        for (const CIniNode* key : section->children) {
            if (key->parent == section)
                out += key->name + "=" + EscapeValue(key->value) + "\r\n";
        }
    }
    bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && written ? 1 : 0;
}

void CIniDocument::Clear()
{
    m_root.children.clear();
    m_nodes.clear();
    m_currentSection = nullptr;
}

std::optional<std::string> CIniDocument::Get(std::string_view section, std::string_view key) const
{
    CIniNode* found = FindSection(section);
    if (!found)
        return std::nullopt;
    m_currentSection = found;
    // No fall-back to a later section of the same name: the first match (or
    // the cached one) is the only one consulted.
    CIniNode* node = FindKey(found, key);
    if (!node)
        return std::nullopt;
    return node->value;
}

int CIniDocument::GetInt(std::string_view section, std::string_view key) const
{
    std::optional<std::string> value = Get(section, key);
    return value ? LeadingInt(*value) : 0;
}

int CIniDocument::Set(std::string_view section, std::string_view key, std::string_view value)
{
    CIniNode* sectionNode = FindSection(section);
    if (!sectionNode)
        sectionNode = AddSection(section);
    CIniNode* keyNode = FindKey(sectionNode, key);
    if (!keyNode)
        keyNode = AddKey(sectionNode, key, "");
    keyNode->value = value;
    m_currentSection = sectionNode;
    return 1;
}

int CIniDocument::SetInt(std::string_view section, std::string_view key, int value)
{
    return Set(section, key, std::to_string(value));
}

int CIniDocument::GetSectionNames(std::vector<std::string>* names) const
{
    if (!names)
        return 0;
    names->clear();
    for (const CIniNode* section : m_root.children) {
        if (!section->name.empty())
            names->push_back(section->name);
    }
    return static_cast<int>(names->size());
}

int CIniDocument::GetKeys(std::string_view section, std::vector<std::string>* keys) const
{
    if (!keys)
        return 0;
    keys->clear();
    const CIniNode* found = FindSection(section);
    if (!found)
        return 0;
    for (const CIniNode* key : found->children)
        keys->push_back(key->name);
    return static_cast<int>(keys->size());
}

CIniNode* CIniDocument::FindSection(std::string_view section) const
{
    // The cache is tried first and must match exactly; only then are the
    // sections searched in order without regard to case.
    if (m_currentSection && m_currentSection->name == section)
        return m_currentSection;
    for (CIniNode* node : m_root.children) {
        if (SameNameIgnoringCase(node->name, section))
            return node;
    }
    return nullptr;
}

CIniNode* CIniDocument::FindKey(const CIniNode* section, std::string_view key) const
{
    for (CIniNode* node : section->children) {
        if (SameNameIgnoringCase(node->name, key))
            return node;
    }
    return nullptr;
}

CIniNode* CIniDocument::AddSection(std::string_view name)
{
    auto node = std::make_unique<CIniNode>();
    node->name = name;
    node->isSection = 1;
    CIniNode* section = node.get();
    m_nodes.push_back(std::move(node));
    m_root.children.push_back(section);
    return section;
}

CIniNode* CIniDocument::AddKey(CIniNode* section, std::string_view name, std::string_view value)
{
    auto node = std::make_unique<CIniNode>();
    node->name = name;
    node->value = value;
    node->parent = section;
    CIniNode* key = node.get();
    m_nodes.push_back(std::move(node));
    section->children.push_back(key);
    return key;
}
