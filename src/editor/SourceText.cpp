// A break goes only right after a ">", so text is never touched, and a block
// already on a line of its own gets no second break when the text comes back
// through the source view.
#include "editor/SourceText.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsBlockTag(std::u16string_view name)
{
    static constexpr std::u16string_view kBlocks[] = {
        u"HEAD", u"BODY", u"P",  u"DIV",        u"TABLE", u"TBODY",  u"THEAD", u"TFOOT",
        u"TR",   u"UL",   u"OL", u"LI",         u"H1",    u"H2",     u"H3",    u"H4",
        u"H5",   u"H6",   u"HR", u"BLOCKQUOTE", u"PRE",   u"CENTER", u"STYLE"};
    return std::any_of(std::begin(kBlocks), std::end(kBlocks), [name](std::u16string_view block) {
        return block.size() == name.size() &&
               std::equal(block.begin(), block.end(), name.begin(), [](char16_t a, char16_t b) {
                   return a == (b < 0x80 ? std::toupper(static_cast<int>(b)) : b);
               });
    });
}

// The tag name of a start tag at `at` ("<" followed by letters and digits).
std::u16string_view StartTagName(std::u16string_view html, std::size_t at)
{
    std::size_t end = at + 1;
    while (end < html.size() && html[end] < 0x80 && std::isalnum(static_cast<int>(html[end])))
        ++end;
    return html.substr(at + 1, end - at - 1);
}

} // namespace

std::u16string SourceViewText(std::u16string_view html)
{
    std::u16string text;
    text.reserve(html.size() + html.size() / 16);
    for (std::size_t i = 0; i < html.size(); ++i) {
        if (html[i] == u'<' && i > 0 && html[i - 1] == u'>' && IsBlockTag(StartTagName(html, i)))
            text += u'\n';
        text += html[i];
    }
    return text;
}
