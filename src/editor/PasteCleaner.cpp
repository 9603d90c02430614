// The markup is parsed into a scratch document of its own, cleaned there as a
// tree and written out again, so no trick of spelling (upper case, odd
// spacing, unterminated tags) slips past a text filter.
#include "editor/PasteCleaner.h"

#include "html/Document.h"
#include "html/InlineStyle.h"
#include "html/Serializer.h"

#include <algorithm>
#include <cctype>
#include <vector>

using namespace vellum::html;

namespace {

// Elements dropped with everything inside them: code, sheets, page
// metadata, and embedded frames or objects that would load something.
bool IsDroppedElement(const Element& element)
{
    static constexpr const char* kDropped[] = {"SCRIPT", "NOSCRIPT", "STYLE", "LINK",     "META",
                                               "TITLE",  "IFRAME",   "FRAME", "FRAMESET", "OBJECT",
                                               "EMBED",  "APPLET",   "BASE"};
    return std::any_of(std::begin(kDropped), std::end(kDropped),
                       [&element](const char* tag) { return element.HasTagName(tag); });
}

bool IsEventHandler(const std::string& name)
{
    return name.size() > 2 && std::tolower(static_cast<unsigned char>(name[0])) == 'o' &&
           std::tolower(static_cast<unsigned char>(name[1])) == 'n';
}

// "javascript:" and "vbscript:" addresses, however they are spaced or cased.
bool IsScriptAddress(std::u16string_view value)
{
    std::string compact;
    for (char16_t c : value) {
        if (c <= u' ')
            continue;
        compact += c < 0x80 ? static_cast<char>(std::tolower(static_cast<int>(c))) : '?';
        if (compact.size() >= 11)
            break;
    }
    return compact.starts_with("javascript:") || compact.starts_with("vbscript:");
}

void CleanAttributes(Element& element)
{
    std::vector<std::string> doomed;
    for (const Attribute& attribute : element.Attributes()) {
        if (IsEventHandler(attribute.name) || IsScriptAddress(attribute.value))
            doomed.push_back(attribute.name);
    }
    for (const std::string& name : doomed)
        element.RemoveAttribute(name);
}

void CleanTree(Node& node)
{
    for (Node* child : std::vector<Node*>(node.Children())) {
        Element* element = child->AsElement();
        if (child->IsComment() || (element && IsDroppedElement(*element))) {
            child->Remove();
            continue;
        }
        if (element) {
            CleanAttributes(*element);
            CleanTree(*element);
        }
    }
}

} // namespace

std::u16string CleanPastedHtml(std::u16string_view html)
{
    Document scratch;
    scratch.LoadHtml(html);
    Element* body = scratch.Body();
    if (!body)
        return {};
    CleanTree(*body);
    return SerializeChildren(*body);
}

void CleaningClipboard::SetContent(const ClipboardContent& content)
{
    system_.SetContent(content);
}

ClipboardContent CleaningClipboard::Content() const
{
    ClipboardContent content = system_.Content();
    if (!content.html.empty())
        content.html = CleanPastedHtml(content.html);
    return content;
}
