// A scan that follows the tokenizer's states only as far as they decide
// where characters above 126 stand: text, tags with their attribute names
// and values, comments and bogus comments (a doctype among them), and the
// raw text of STYLE and its kind up to a proper end tag. Whatever it cannot
// place for certain it counts as a place where a reference stays as
// written, and such a character there answers "no". TITLE and TEXTAREA
// count as raw text, to keep the scan small.
#include "html/AsciiSafeParse.h"

#include <array>

namespace vellum::html {
namespace {

// Elements whose content is not parsed as markup, and (last) those that
// end the scan.
constexpr std::array<std::u16string_view, 12> kRawTextElements = {
    u"style", u"xmp",      u"iframe", u"noembed",   u"noframes", u"noscript",
    u"title", u"textarea", u"script", u"plaintext", u"svg",      u"math"};

enum class State {
    Text,
    TagName,
    BeforeName,
    Name,
    AfterName,
    BeforeValue,
    Quoted,
    AfterQuoted,
    Unquoted,
    Comment, // "<!--" up to "-->" or "--!>"
    Bogus,   // "<!...", "<?..." and the like, up to ">"
    RawText,
};

char16_t Lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool IsLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool IsSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// `text` starts with `name` (lower case) followed by what ends a tag name.
bool StartsWithTagName(std::u16string_view text, std::u16string_view name)
{
    if (text.size() <= name.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (Lower(text[i]) != name[i])
            return false;
    char16_t after = text[name.size()];
    return IsSpace(after) || after == u'/' || after == u'>';
}

std::u16string_view RawTextElementAt(std::u16string_view name)
{
    for (std::u16string_view element : kRawTextElements)
        if (StartsWithTagName(name, element))
            return element;
    return {};
}

// A character whose reference decodes to something else: a C1 control
// (read as windows-1252) or half a surrogate pair.
bool RemappedByReference(std::u16string_view html, std::size_t i)
{
    char16_t c = html[i];
    if (c >= 0x80 && c <= 0x9F)
        return true;
    if (c >= 0xD800 && c < 0xDC00)
        return i + 1 >= html.size() || html[i + 1] < 0xDC00 || html[i + 1] >= 0xE000;
    if (c >= 0xDC00 && c < 0xE000)
        return i == 0 || html[i - 1] < 0xD800 || html[i - 1] >= 0xDC00;
    return false;
}

// The state a tag's "<" leads to, per the character after it.
State AfterOpening(std::u16string_view rest)
{
    if (rest.substr(0, 4) == u"<!--")
        return State::Comment;
    char16_t next = rest.size() > 1 ? rest[1] : u'\0';
    if (IsLetter(next))
        return State::TagName;
    if (next == u'/')
        return rest.size() > 2 && IsLetter(rest[2]) ? State::TagName : State::Bogus;
    if (next == u'!' || next == u'?')
        return State::Bogus;
    return State::Text; // "<" followed by anything else is text
}

// One character inside a tag; the state for the next one.
State InTag(State state, char16_t c, char16_t& quote)
{
    if (c == u'>' && state != State::Quoted)
        return State::Text;
    switch (state) {
    case State::TagName:
        return IsSpace(c) || c == u'/' ? State::BeforeName : state;
    case State::BeforeName:
        return IsSpace(c) || c == u'/' ? state : State::Name;
    case State::Name:
        if (c == u'=')
            return State::BeforeValue;
        return IsSpace(c) ? State::AfterName : c == u'/' ? State::BeforeName : state;
    case State::AfterName:
        if (c == u'=')
            return State::BeforeValue;
        return IsSpace(c) ? state : c == u'/' ? State::BeforeName : State::Name;
    case State::BeforeValue:
        if (c == u'"' || c == u'\'') {
            quote = c;
            return State::Quoted;
        }
        return IsSpace(c) ? state : State::Unquoted;
    case State::Quoted:
        return c == quote ? State::AfterQuoted : state;
    case State::AfterQuoted:
        return IsSpace(c) || c == u'/' ? State::BeforeName : State::Name;
    case State::Unquoted:
        return IsSpace(c) ? State::BeforeName : state;
    default:
        return state;
    }
}

} // namespace

bool ParsesAsItsAsciiSafeForm(std::u16string_view html)
{
    State state = State::Text;
    char16_t quote = 0;
    std::u16string_view rawText, opened;
    for (std::size_t i = 0; i < html.size(); ++i) {
        char16_t c = html[i];
        if (c > 126 &&
            (RemappedByReference(html, i) || (state != State::Text && state != State::Quoted)))
            return false;
        switch (state) {
        case State::Text:
            if (c != u'<')
                break;
            state = AfterOpening(html.substr(i));
            if (state == State::Comment)
                i += 3;
            opened = {};
            if (state == State::TagName && html[i + 1] == u'/')
                ++i; // an end tag's name starts after "</"
            else if (state == State::TagName)
                opened = RawTextElementAt(html.substr(i + 1));
            // SCRIPT's escapes, PLAINTEXT's endless text and foreign
            // content (SVG, MathML: CDATA sections, STYLE that is no raw
            // text) would need the whole tokenizer.
            if (opened == u"script" || opened == u"plaintext" || opened == u"svg" ||
                opened == u"math" || html.substr(i, 9) == u"<![CDATA[")
                return false;
            break;
        case State::Comment:
            if (c == u'>' && (html.substr(i - 2, 2) == u"--" || html.substr(i - 3, 3) == u"--!"))
                state = State::Text;
            break;
        case State::Bogus:
            if (c == u'>')
                state = State::Text;
            break;
        case State::RawText:
            if (c == u'<' && i + 1 < html.size() && html[i + 1] == u'/' &&
                StartsWithTagName(html.substr(i + 2), rawText)) {
                state = State::TagName;
                opened = {};
                ++i;
            }
            break;
        default:
            state = InTag(state, c, quote);
            if (state == State::Text && !opened.empty()) {
                rawText = opened;
                state = State::RawText;
            }
            if (state == State::Text)
                opened = {};
            break;
        }
    }
    return true;
}

} // namespace vellum::html
