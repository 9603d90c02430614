// The sheet reader works on the text with comments removed and finds each
// block's end by counting braces outside strings, so a broken rule ends at
// its own closing brace and takes nothing after it along.
#include "html/CssReader.h"

#include "html/InlineStyle.h"
#include "html/Node.h"

#include <cstdlib>

namespace vellum::html {
namespace {

// The first of `stops` at brace depth zero and outside strings; npos when
// there is none.
std::size_t FindOutside(std::u16string_view css, std::size_t pos, std::u16string_view stops)
{
    char16_t quote = 0;
    for (; pos < css.size(); ++pos) {
        char16_t c = css[pos];
        if (quote) {
            if (c == u'\\')
                ++pos;
            else if (c == quote)
                quote = 0;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (stops.find(c) != std::u16string_view::npos) {
            return pos;
        }
    }
    return std::u16string_view::npos;
}

// Just past the brace that closes the block opening at `open`.
std::size_t BlockEnd(std::u16string_view css, std::size_t open)
{
    int depth = 0;
    std::size_t pos = open;
    while (pos < css.size()) {
        pos = FindOutside(css, pos, u"{}");
        if (pos == std::u16string_view::npos)
            break;
        depth += css[pos] == u'{' ? 1 : -1;
        ++pos;
        if (depth == 0)
            return pos;
    }
    return css.size();
}

bool IsSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

std::size_t SkipNoise(std::u16string_view css, std::size_t pos)
{
    while (pos < css.size()) {
        if (IsSpace(css[pos]))
            ++pos;
        else if (css.substr(pos).starts_with(u"<!--"))
            pos += 4;
        else if (css.substr(pos).starts_with(u"-->"))
            pos += 3;
        else
            break;
    }
    return pos;
}

void ReadRules(std::u16string_view css, const MediaContext& media, std::vector<CssRule>& rules)
{
    std::size_t pos = 0;
    while ((pos = SkipNoise(css, pos)) < css.size()) {
        if (css[pos] == u'}') { // a stray closing brace
            ++pos;
            continue;
        }
        std::size_t stop = FindOutside(css, pos, css[pos] == u'@' ? u"{;" : u"{");
        if (stop == std::u16string_view::npos)
            return;
        if (css[stop] == u';') {
            pos = stop + 1;
            continue;
        }
        std::size_t end = BlockEnd(css, stop);
        std::u16string_view prelude = TrimSpace(css.substr(pos, stop - pos));
        std::size_t bodyEnd = end > stop + 1 && css[end - 1] == u'}' ? end - 1 : end;
        std::u16string_view body = css.substr(stop + 1, bodyEnd - stop - 1);
        if (prelude.starts_with(u'@')) {
            std::u16string_view keyword = prelude.substr(1, prelude.find_first_of(u" \t\r\n(") - 1);
            if (NamesEqual(AsciiFromUtf16(keyword), "media") &&
                MediaApplies(prelude.substr(std::min(prelude.size(), keyword.size() + 1)), media))
                ReadRules(body, media, rules);
        } else if (!prelude.empty()) {
            rules.push_back({std::u16string(prelude), ReadDeclarations(body)});
        }
        pos = end;
    }
}

std::string LowerTrimmed(std::string_view text)
{
    while (!text.empty() && IsSpace(static_cast<char16_t>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(static_cast<char16_t>(text.back())))
        text.remove_suffix(1);
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
}

std::vector<std::string> SplitAt(std::string_view text, std::string_view separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        std::size_t found = text.find(separator, start);
        parts.push_back(LowerTrimmed(text.substr(start, found - start)));
        if (found == std::string_view::npos)
            return parts;
        start = found + separator.size();
    }
}

// "(max-width: 600px)"; false for a feature other than the width.
bool FeatureHolds(std::string_view part, const MediaContext& media)
{
    if (!part.starts_with('(') || !part.ends_with(')'))
        return false;
    std::string_view feature = part.substr(1, part.size() - 2);
    std::size_t colon = feature.find(':');
    if (colon == std::string_view::npos)
        return false;
    std::string name = LowerTrimmed(feature.substr(0, colon));
    std::string value = LowerTrimmed(feature.substr(colon + 1));
    bool isMin = name == "min-width" || name == "min-device-width";
    bool isMax = name == "max-width" || name == "max-device-width";
    if (!isMin && !isMax)
        return false;
    media.askedForWidth = true;
    char* end = nullptr;
    double limit = std::strtod(value.c_str(), &end);
    std::string_view unit(end);
    if (end == value.c_str() || (unit != "px" && unit != "em" && unit != "rem" && !unit.empty()))
        return false;
    if (unit == "em" || unit == "rem")
        limit *= 16;
    return isMin ? media.viewWidth >= limit : media.viewWidth <= limit;
}

// One media query: "screen", "only screen and (max-width: 600px)",
// "(min-width:480px) and (max-width:800px)", "not print".
bool QueryApplies(std::string query, const MediaContext& media)
{
    if (query.empty())
        return true;
    bool negated = false;
    if (query.starts_with("not ")) {
        negated = true;
        query = LowerTrimmed(query.substr(4));
    } else if (query.starts_with("only ")) {
        query = LowerTrimmed(query.substr(5));
    }
    bool holds = true;
    std::vector<std::string> parts = SplitAt(query, " and ");
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part.starts_with('('))
            holds = FeatureHolds(part, media) && holds;
        else
            holds = holds && i == 0 && (part == "all" || part == "screen");
    }
    return holds != negated;
}

} // namespace

std::vector<CssRule> ReadCssRules(std::u16string_view css, const MediaContext& media)
{
    std::vector<CssRule> rules;
    ReadRules(WithoutCssComments(css), media, rules);
    return rules;
}

std::vector<Declaration> ReadDeclarations(std::u16string_view block)
{
    std::vector<Declaration> declarations;
    InlineStyle parsed(block);
    for (const auto& [name, value] : parsed.Declarations()) {
        Declaration declaration{name, value, false};
        for (char& c : declaration.property)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c + 32);
        std::size_t bang = declaration.value.rfind(u'!');
        if (bang != std::u16string::npos) {
            std::u16string_view flag =
                TrimSpace(std::u16string_view(declaration.value).substr(bang + 1));
            if (!NamesEqual(AsciiFromUtf16(flag), "important"))
                continue; // an unreadable value drops the declaration
            declaration.important = true;
            declaration.value = std::u16string(TrimSpace(declaration.value.substr(0, bang)));
        }
        if (!declaration.value.empty())
            declarations.push_back(std::move(declaration));
    }
    return declarations;
}

bool MediaApplies(std::u16string_view queryList, const MediaContext& media)
{
    bool holds = false;
    // Every query is evaluated, so that a width query anywhere is noticed.
    for (const std::string& query : SplitAt(AsciiFromUtf16(queryList), ","))
        holds = QueryApplies(query, media) || holds;
    return holds;
}

std::u16string WithoutCssComments(std::u16string_view css)
{
    std::u16string out;
    out.reserve(css.size());
    std::size_t pos = 0;
    while (pos < css.size()) {
        std::size_t open = css.find(u"/*", pos);
        if (open == std::u16string_view::npos) {
            out += css.substr(pos);
            break;
        }
        out += css.substr(pos, open - pos);
        out += u' ';
        std::size_t close = css.find(u"*/", open + 2);
        pos = close == std::u16string_view::npos ? css.size() : close + 2;
    }
    return out;
}

} // namespace vellum::html
