// A small declaration-list reader: good for what mail bodies carry (no
// nested blocks, quoted strings kept whole so a ';' inside a font family
// name does not split it).
#include "html/InlineStyle.h"

#include "html/Node.h"

#include <algorithm>

namespace vellum::html {

namespace {

// Splits at ';' outside quotes and parentheses.
std::vector<std::u16string_view> SplitDeclarations(std::u16string_view text)
{
    std::vector<std::u16string_view> parts;
    char16_t quote = 0;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')' && depth > 0) {
            --depth;
        } else if (c == u';' && depth == 0) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

} // namespace

std::u16string_view TrimSpace(std::u16string_view text)
{
    auto isSpace = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string AsciiFromUtf16(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::u16string Utf16FromAscii(std::string_view text)
{
    return std::u16string(text.begin(), text.end());
}

InlineStyle::InlineStyle(std::u16string_view text)
{
    for (std::u16string_view part : SplitDeclarations(text)) {
        std::size_t colon = part.find(u':');
        if (colon == std::u16string_view::npos)
            continue;
        std::string name = AsciiFromUtf16(TrimSpace(part.substr(0, colon)));
        std::u16string_view value = TrimSpace(part.substr(colon + 1));
        if (!name.empty() && !value.empty())
            Set(name, value);
    }
}

std::u16string InlineStyle::Get(std::string_view property) const
{
    for (const auto& [name, value] : declarations_)
        if (NamesEqual(name, property))
            return value;
    return {};
}

void InlineStyle::Set(std::string_view property, std::u16string_view value)
{
    auto found = std::find_if(declarations_.begin(), declarations_.end(),
                              [&](const auto& d) { return NamesEqual(d.first, property); });
    if (value.empty()) {
        if (found != declarations_.end())
            declarations_.erase(found);
        return;
    }
    if (found != declarations_.end())
        found->second = std::u16string(value);
    else
        declarations_.emplace_back(std::string(property), std::u16string(value));
}

std::u16string InlineStyle::ToText() const
{
    std::u16string text;
    for (const auto& [name, value] : declarations_) {
        if (!text.empty())
            text += u"; ";
        for (char c : name)
            text += static_cast<char16_t>(c >= 'a' && c <= 'z' ? c - 32 : c);
        text += u": ";
        text += value;
    }
    return text;
}

} // namespace vellum::html
