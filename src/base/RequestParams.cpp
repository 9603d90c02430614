// Parsing of the URL-style parameter block. The scanner deliberately restarts
// one byte past each pair start (see the header), which is why a segment
// without "=" shows up merged into the next pair's name as well.
#include "base/RequestParams.h"

#include "base/LeadingNumber.h"
#include "base/NameCompare.h"
#include "base/TextHelpers.h"

int CRequestParams::Parse(const char* text)
{
    if (!text) {
        Clear();
        return 0;
    }
    return Parse(std::string_view(text));
}

int CRequestParams::Parse(std::string_view text)
{
    Clear();
    // The host passes C strings: whatever follows a NUL was never seen.
    text = text.substr(0, text.find('\0'));
    size_t question = text.find('?');
    if (question == std::string_view::npos) {
        // A string of bare pairs is its own path and its own query.
        m_path = text;
        m_query = text;
    } else {
        m_path = text.substr(0, question);
        m_query = text.substr(question + 1);
    }
    m_source = text;

    if (!m_query.empty())
        ParsePairAt(0);
    for (size_t i = 1; i < m_query.size(); ++i) {
        if (m_query[i] != '&')
            continue;
        // The byte after "&" starts a pair; it is handled now and never
        // examined as a separator itself.
        ++i;
        ParsePairAt(i);
    }
    return GetCount();
}

void CRequestParams::ParsePairAt(size_t start)
{
    size_t equal = m_query.find('=', start);
    if (equal == std::string::npos)
        return;
    if (m_values.empty() || equal != m_lastEqualSign) {
        size_t valueEnd = m_query.find('&', equal + 1);
        if (valueEnd == std::string::npos)
            valueEnd = m_query.size();
        m_values.push_back(
            UrlDecode(std::string_view(m_query).substr(equal + 1, valueEnd - equal - 1)));
        m_lastEqualSign = equal;
    }
    m_entries.push_back({start, equal - start, m_values.size() - 1});
}

std::optional<std::string> CRequestParams::Get(std::string_view name) const
{
    for (const Entry& entry : m_entries) {
        std::string_view entryName(m_query.data() + entry.nameStart, entry.nameLength);
        if (SameNameIgnoringCase(entryName, name))
            return m_values[entry.valueIndex];
    }
    return std::nullopt;
}

int CRequestParams::GetInt(std::string_view name) const
{
    std::optional<std::string> value = Get(name);
    return value ? LeadingInt(*value) : -1;
}

void CRequestParams::Clear()
{
    m_entries.clear();
    m_values.clear();
    m_lastEqualSign = 0;
    m_source.clear();
    m_path.clear();
    m_query.clear();
}

std::string_view CRequestParams::GetName(int index) const
{
    if (index < 0 || index >= GetCount())
        return {};
    const Entry& entry = m_entries[static_cast<size_t>(index)];
    return std::string_view(m_query).substr(entry.nameStart, entry.nameLength);
}

const std::string& CRequestParams::GetValue(int index) const
{
    static const std::string kNone;
    if (index < 0 || index >= GetCount())
        return kNone;
    return m_values[m_entries[static_cast<size_t>(index)].valueIndex];
}
