// The words of a CSS value, as the shorthands read them: split at white
// space outside parentheses, so "rgb(1, 2, 3)" is one word.
#pragma once

#include <cstddef>
#include <string_view>

namespace vellum::html {

// Calls found(word) for each non-empty word in order; a found that returns
// false ends the walk.
template <typename Found> void ForEachCssWord(std::u16string_view value, Found found)
{
    std::size_t start = 0;
    int depth = 0;
    for (std::size_t i = 0; i <= value.size(); ++i) {
        char16_t c = i < value.size() ? value[i] : u' ';
        depth += c == u'(' ? 1 : c == u')' ? -1 : 0;
        if (depth > 0 || (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r'))
            continue;
        if (i > start && !found(value.substr(start, i - start)))
            return;
        start = i + 1;
    }
}

} // namespace vellum::html
