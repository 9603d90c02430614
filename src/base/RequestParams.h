// CRequestParams: the URL-style parameter block each export receives, such as
// "list?UserName=%B2%E2&Keyid=5". It splits the text into a path and a query
// and keeps the query's name=value pairs in string order.
//
// The pair scanner keeps a quirk of the hosts that write these strings: after
// each pair it resumes one byte past the pair's start, not after the pair, so
// "a&b=1" yields both "a&b" and "b". Names are kept as written (not decoded);
// values are URL-decoded.
//
// Entries refer to the stored query instead of copying their names, and
// entries that share one "=" share one decoded value, so a pathological
// string such as a long run of "&" before one "=" stays linear in memory.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CRequestParams
{
public:
    // Clears the block, then parses `text` (host code page, may be null).
    // Returns the number of entries.
    int Parse(const char* text);
    int Parse(std::string_view text);

    // The value of the first entry whose name matches without regard to
    // letter case; std::nullopt when there is none (callers that store the
    // result use an empty text for "none").
    std::optional<std::string> Get(std::string_view name) const;

    // The value read as a signed decimal number from its start (0 when it
    // does not begin with one); -1 when the name is absent.
    int GetInt(std::string_view name) const;

    // Deletes every entry and empties path, query and source.
    void Clear();

    const std::string& GetPath() const { return m_path; }
    const std::string& GetQuery() const { return m_query; }
    const std::string& GetSource() const { return m_source; }

    // The entries in string order: the name exactly as it stood in the text
    // (valid until the next Parse or Clear) and the decoded value. Indexes
    // run from 0 to GetCount() - 1; any other index gives empty texts.
    int GetCount() const { return static_cast<int>(m_entries.size()); }
    std::string_view GetName(int index) const;
    const std::string& GetValue(int index) const;

private:
    struct Entry
    {
        size_t nameStart; // offset in m_query
        size_t nameLength;
        size_t valueIndex; // index in m_values
    };

    void ParsePairAt(size_t start);

    std::vector<Entry> m_entries;
    std::vector<std::string> m_values;
    size_t m_lastEqualSign = 0; // "=" of the last value decoded while parsing
    std::string m_source;
    std::string m_path;
    std::string m_query;
};
