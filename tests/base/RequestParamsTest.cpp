// Parsing of the exports' parameter strings: the path/query split, the pair
// scanner with its restart one byte past each pair start, lookups and
// numbers, and hostile input (binary bytes, huge strings).
#include "base/RequestParams.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>
#include <utility>

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries EntriesOf(const CRequestParams& params)
{
    Entries entries;
    for (int i = 0; i < params.GetCount(); ++i)
        entries.emplace_back(std::string(params.GetName(i)), params.GetValue(i));
    return entries;
}

TEST(RequestParamsTest, SplitsPathAndQueryAtTheFirstQuestionMark)
{
    // The text, its path and query, and the number of pairs.
    const std::tuple<std::string, std::string, std::string, int> cases[] = {
        {"Keyid=5&Connect=x", "Keyid=5&Connect=x", "Keyid=5&Connect=x", 2},
        {"?a=1", "", "a=1", 1},
        {"list?a=1?b=2", "list", "a=1?b=2", 1},
        {"list?", "list", "", 0},
        {"list", "list", "list", 0},
        {"", "", "", 0}};
    for (const auto& [text, path, query, count] : cases) {
        CRequestParams params;
        EXPECT_EQ(params.Parse(text), count) << text;
        EXPECT_EQ(params.GetPath(), path) << text;
        EXPECT_EQ(params.GetQuery(), query) << text;
        EXPECT_EQ(params.GetSource(), text);
    }
    CRequestParams params;
    EXPECT_EQ(params.Parse(static_cast<const char*>(nullptr)), 0);
    EXPECT_EQ(params.GetPath(), "");
}

TEST(RequestParamsTest, ScannerRestartsOneBytePastEachPairStart)
{
    const std::pair<std::string, Entries> cases[] = {
        {"a&b=1", {{"a&b", "1"}, {"b", "1"}}},
        {"a=1&&b=2", {{"a", "1"}, {"&b", "2"}}},
        {"a=b=c&d=e", {{"a", "b=c"}, {"d", "e"}}},
        {"a=1&", {{"a", "1"}}},
        {"a=1&b", {{"a", "1"}}},
        {"&a=1", {{"&a", "1"}}}, // position 0 is a start, never a separator
        {"a&&&b=1", {{"a&&&b", "1"}, {"&&b", "1"}, {"b", "1"}}},
        {"a=1&a=2", {{"a", "1"}, {"a", "2"}}},
        {"=1&b=", {{"", "1"}, {"b", ""}}},
        {"x&y&z=%41+b", {{"x&y&z", "A b"}, {"y&z", "A b"}, {"z", "A b"}}},
        {"&&&", {}},
        {"a", {}}};
    for (const auto& [query, entries] : cases) {
        CRequestParams params;
        params.Parse("p?" + query);
        EXPECT_EQ(EntriesOf(params), entries) << query;
    }
}

TEST(RequestParamsTest, GetFindsTheFirstEntryWithoutRegardToCase)
{
    CRequestParams params;
    params.Parse("list?UserName=%B2%E2%CA%D4&x=1");
    EXPECT_EQ(params.GetPath(), "list");
    EXPECT_EQ(params.Get("username"), "\xB2\xE2\xCA\xD4");
    EXPECT_EQ(params.Get("USERNAME"), "\xB2\xE2\xCA\xD4");
    EXPECT_EQ(params.Get("X"), "1");
    EXPECT_EQ(params.Get("User"), std::nullopt);
    EXPECT_EQ(params.Get(""), std::nullopt);

    params.Parse("a=1&a=2");
    EXPECT_EQ(params.Get("A"), "1");

    // Names are compared as written, not decoded.
    params.Parse("a%20b=1");
    EXPECT_EQ(params.Get("a b"), std::nullopt);
    EXPECT_EQ(params.Get("A%20B"), "1");
}

TEST(RequestParamsTest, GetIntReadsTheLeadingNumberOrGivesMinusOne)
{
    CRequestParams params;
    params.Parse("e=&n=42&neg=-7&pos=+3&sp=%20%0912x&word=abc&big=99999999999&small=-99999999999&"
                 "half=4.9&only=-");
    using Case = std::pair<const char*, int>;
    for (auto [name, number] :
         {Case{"e", 0}, Case{"N", 42}, Case{"neg", -7}, Case{"pos", 3}, Case{"sp", 12},
          Case{"word", 0}, Case{"big", INT_MAX}, Case{"small", INT_MIN}, Case{"half", 4},
          Case{"only", 0}, Case{"absent", -1}})
        EXPECT_EQ(params.GetInt(name), number) << name;
}

} // namespace
