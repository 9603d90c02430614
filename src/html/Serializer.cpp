// The serializer walks with an explicit stack (no recursion), so a body
// nested thousands deep still serializes.
#include "html/Serializer.h"

#include "html/Node.h"
#include "platform/text/CodePage.h"

#include <algorithm>
#include <string>
#include <vector>

namespace vellum::html {

namespace {

// Control characters other than tab, line feed and form feed do not survive
// a parse of markup holding them raw (a carriage return becomes a line feed,
// the others U+FFFD); a character reference keeps them.
bool NeedsReference(char16_t c)
{
    return c < 0x20 && c != u'\t' && c != u'\n' && c != u'\f';
}

bool NeedsEscape(char16_t c, bool attribute)
{
    switch (c) {
    case u'&':
    case 0xA0:
        return true;
    case u'<':
    case u'>':
        return !attribute;
    case u'"':
        return attribute;
    default:
        return NeedsReference(c);
    }
}

void AppendEscapedCharacter(std::u16string& out, char16_t c)
{
    switch (c) {
    case u'&':
        out += u"&amp;";
        return;
    case u'<':
        out += u"&lt;";
        return;
    case u'>':
        out += u"&gt;";
        return;
    case u'"':
        out += u"&quot;";
        return;
    case 0xA0:
        out += u"&nbsp;";
        return;
    default:
        out += u"&#" + text::Utf8ToUtf16(std::to_string(static_cast<int>(c))) + u";";
    }
}

// Runs of characters that need nothing are appended whole: most of a
// body's text is such a run.
void AppendEscaped(std::u16string& out, std::u16string_view text, bool attribute)
{
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!NeedsEscape(text[i], attribute))
            continue;
        out.append(text.substr(runStart, i - runStart));
        AppendEscapedCharacter(out, text[i]);
        runStart = i + 1;
    }
    out.append(text.substr(runStart));
}

// Tag and attribute names are UTF-8: an unknown element keeps the name it
// was written with, which may hold any character. Nearly all are ASCII,
// which widens in place, written straight into the output.
void AppendName(std::u16string& out, std::string_view name)
{
    bool ascii = std::all_of(name.begin(), name.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) {
        out += text::Utf8ToUtf16(name);
        return;
    }
    const std::size_t at = out.size();
    out.resize(at + name.size());
    std::copy(name.begin(), name.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
}

void AppendTagName(std::u16string& out, const Element& element)
{
    AppendName(out, element.TagName());
}

void AppendStartTag(std::u16string& out, const Element& element)
{
    out += u'<';
    AppendTagName(out, element);
    for (const Attribute& attribute : element.Attributes()) {
        out += u' ';
        AppendName(out, attribute.name);
        out += u"=\"";
        AppendEscaped(out, attribute.value, true);
        out += u'"';
    }
    out += u'>';
}

// Whether the first child is text starting with a line feed, which the
// parser would swallow after <PRE>; an extra one keeps it.
bool NeedsLeadingNewline(const Element& element)
{
    if (!element.HasTagName("PRE") && !element.HasTagName("TEXTAREA") &&
        !element.HasTagName("LISTING"))
        return false;
    const Node* first = element.FirstChild();
    return first && first->IsText() && !first->AsCharacterData()->Data().empty() &&
           first->AsCharacterData()->Data()[0] == u'\n';
}

void AppendNode(std::u16string& out, const Node& root, bool includeRoot)
{
    // Each entry is a node and whether its end tag is due.
    std::vector<std::pair<const Node*, bool>> stack;
    if (includeRoot) {
        stack.emplace_back(&root, false);
    } else {
        for (auto it = root.Children().rbegin(); it != root.Children().rend(); ++it)
            stack.emplace_back(*it, false);
    }
    while (!stack.empty()) {
        auto [node, closing] = stack.back();
        stack.pop_back();
        if (closing) {
            out += u"</";
            AppendTagName(out, *node->AsElement());
            out += u'>';
            continue;
        }
        if (node->IsComment()) {
            out += u"<!--";
            out += node->AsCharacterData()->Data();
            out += u"-->";
            continue;
        }
        if (node->IsText()) {
            const Element* parent = node->ParentElement();
            if (parent && IsRawTextElement(parent->TagName()))
                out += node->AsCharacterData()->Data();
            else
                AppendEscaped(out, node->AsCharacterData()->Data(), false);
            continue;
        }
        if (node->IsElement()) {
            const Element& element = *node->AsElement();
            AppendStartTag(out, element);
            if (IsVoidElement(element.TagName()))
                continue;
            if (NeedsLeadingNewline(element))
                out += u'\n';
            stack.emplace_back(node, true);
        }
        for (auto it = node->Children().rbegin(); it != node->Children().rend(); ++it)
            stack.emplace_back(*it, false);
    }
}

} // namespace

std::u16string SerializeNode(const Node& node)
{
    std::u16string out;
    AppendNode(out, node, node.Type() != NodeType::Document);
    return out;
}

std::u16string SerializeChildren(const Node& node)
{
    std::u16string out;
    AppendNode(out, node, false);
    return out;
}

std::string ToHostBytes(std::u16string_view html)
{
    return text::FromUtf8WithReferences(text::Utf16ToUtf8(html));
}

namespace {

// "&#x%04X;" (at least four upper-case digits) without a printf per
// character: a Chinese body is mostly references.
void AppendHexReference(std::string& out, char32_t c)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    char digits[8];
    int count = 0;
    for (; c != 0 || count < 4; c >>= 4)
        digits[count++] = kDigits[c & 0xF];
    out += "&#x";
    while (count > 0)
        out += digits[--count];
    out += ';';
}

} // namespace

std::string ToAsciiSafeHtml(std::u16string_view html)
{
    std::string out;
    out.reserve(html.size());
    for (std::size_t i = 0; i < html.size(); ++i) {
        char32_t c = html[i];
        if (c <= 126) {
            out += static_cast<char>(c);
            continue;
        }
        bool pair = c >= 0xD800 && c < 0xDC00 && i + 1 < html.size() && html[i + 1] >= 0xDC00 &&
                    html[i + 1] < 0xE000;
        if (pair) {
            c = 0x10000 + ((c - 0xD800) << 10) + (html[i + 1] - 0xDC00);
            ++i;
        }
        AppendHexReference(out, c);
    }
    return out;
}

} // namespace vellum::html
