// The text is scanned tag by tag: a break goes only between a tag's ">" and
// the next block's "<", never inside a quoted attribute value nor inside an
// element whose white space shows or is its content (PRE, TEXTAREA, SCRIPT,
// ...). A block already on a line of its own gets no second break when the
// text comes back through the source view.
#include "editor/SourceText.h"

#include <algorithm>
#include <cctype>

namespace {

bool SameName(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
               return x == (y < 0x80 ? std::toupper(static_cast<int>(y)) : y);
           });
}

bool IsOneOf(std::u16string_view name, std::initializer_list<std::u16string_view> names)
{
    return std::any_of(names.begin(), names.end(),
                       [name](std::u16string_view each) { return SameName(each, name); });
}

bool IsBlockTag(std::u16string_view name)
{
    return IsOneOf(name,
                   {u"HEAD", u"BODY", u"P",  u"DIV",        u"TABLE", u"TBODY",  u"THEAD", u"TFOOT",
                    u"TR",   u"UL",   u"OL", u"LI",         u"H1",    u"H2",     u"H3",    u"H4",
                    u"H5",   u"H6",   u"HR", u"BLOCKQUOTE", u"PRE",   u"CENTER", u"STYLE"});
}

// Elements inside which a line break would change what the mail holds.
bool KeepsItsWhiteSpace(std::u16string_view name)
{
    return IsOneOf(name,
                   {u"PRE", u"TEXTAREA", u"LISTING", u"XMP", u"PLAINTEXT", u"SCRIPT", u"STYLE"});
}

// The tag name after "<" or "</" at `at`.
std::u16string_view TagName(std::u16string_view html, std::size_t at)
{
    std::size_t begin = at + 1 + (at + 1 < html.size() && html[at + 1] == u'/');
    std::size_t end = begin;
    while (end < html.size() && html[end] < 0x80 && std::isalnum(static_cast<int>(html[end])))
        ++end;
    return html.substr(begin, end - begin);
}

// The index just past the ">" that ends the tag starting at `at`, quotes
// respected; the text's end when the tag never ends.
std::size_t TagEnd(std::u16string_view html, std::size_t at)
{
    char16_t quote = 0;
    for (std::size_t i = at + 1; i < html.size(); ++i) {
        if (quote) {
            quote = html[i] == quote ? 0 : quote;
        } else if (html[i] == u'"' || html[i] == u'\'') {
            quote = html[i];
        } else if (html[i] == u'>') {
            return i + 1;
        }
    }
    return html.size();
}

} // namespace

std::u16string SourceViewText(std::u16string_view html)
{
    std::u16string text;
    text.reserve(html.size() + html.size() / 16);
    int keptDepth = 0;
    bool afterTag = false;
    std::size_t i = 0;
    while (i < html.size()) {
        if (html[i] != u'<') {
            text += html[i++];
            afterTag = false;
            continue;
        }
        const std::u16string_view name = TagName(html, i);
        const bool closing = i + 1 < html.size() && html[i + 1] == u'/';
        if (afterTag && !closing && keptDepth == 0 && IsBlockTag(name))
            text += u'\n';
        if (KeepsItsWhiteSpace(name))
            keptDepth = std::max(0, keptDepth + (closing ? -1 : 1));
        const std::size_t end = TagEnd(html, i);
        text.append(html.substr(i, end - i));
        afterTag = !name.empty();
        i = end;
    }
    return text;
}
