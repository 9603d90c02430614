// A CSS reader just big enough for mail bodies: comments and at-rules are
// skipped, every other block is "selector list { declarations }".
#include "html/StyleSheet.h"

#include "html/CssReader.h"
#include "html/Document.h"

namespace vellum::html {

namespace {

// The index just past the block that opens at `open` ('{'), nested ones
// included.
std::size_t SkipBlock(std::u16string_view css, std::size_t open)
{
    int depth = 0;
    for (std::size_t i = open; i < css.size(); ++i) {
        if (css[i] == u'{')
            ++depth;
        else if (css[i] == u'}' && --depth == 0)
            return i + 1;
    }
    return css.size();
}

bool SelectorListNames(std::u16string_view list, std::string_view selector)
{
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(u',', start);
        if (comma == std::u16string_view::npos)
            comma = list.size();
        if (NamesEqual(AsciiFromUtf16(TrimSpace(list.substr(start, comma - start))), selector))
            return true;
        start = comma + 1;
    }
    return false;
}

} // namespace

std::vector<StyleRule> ParseStyleRules(std::u16string_view text)
{
    std::vector<StyleRule> rules;
    std::u16string css = WithoutCssComments(text);
    std::size_t pos = 0;
    while (pos < css.size()) {
        std::size_t open = css.find(u'{', pos);
        if (open == std::u16string::npos)
            break;
        std::u16string_view selector = TrimSpace(std::u16string_view(css).substr(pos, open - pos));
        // "<!--" and "-->" around old style sheets are not part of selectors.
        while (selector.starts_with(u"<!--") || selector.starts_with(u"-->"))
            selector = TrimSpace(selector.substr(selector[0] == u'<' ? 4 : 3));
        std::size_t end = SkipBlock(css, open);
        if (!selector.empty() && selector[0] != u'@') {
            std::size_t close = css.find(u'}', open);
            std::u16string_view body = std::u16string_view(css).substr(
                open + 1, (close == std::u16string::npos ? css.size() : close) - open - 1);
            rules.push_back({std::u16string(selector), InlineStyle(body)});
        }
        pos = end;
    }
    return rules;
}

StyleSheet::StyleSheet(Element& owner)
    : owner_(&owner), rules_(ParseStyleRules(owner.TextContent()))
{
}

void StyleSheet::AddRule(std::u16string_view selector, std::u16string_view declarations)
{
    std::u16string text = owner_->TextContent();
    if (!text.empty() && text.back() != u'\n')
        text += u'\n';
    text += std::u16string(selector) + u" { " + std::u16string(declarations) + u" }\n";
    Document::EditStep step(owner_->OwnerDocument(), "style sheet");
    owner_->RemoveAllChildren();
    owner_->AppendChild(owner_->OwnerDocument().CreateTextNode(text));
    rules_ = ParseStyleRules(text);
}

std::vector<StyleSheet> StyleSheets(Document& document)
{
    std::vector<StyleSheet> sheets;
    for (Element* element : document.GetElementsByTagName("STYLE"))
        sheets.emplace_back(*element);
    return sheets;
}

Element* CreateStyleSheet(Document& document)
{
    Element* html = document.DocumentElement();
    if (!html)
        return nullptr;
    Document::EditStep step(document, "style sheet");
    Element* head = document.Head();
    if (!head) {
        head = document.CreateElement("HEAD");
        html->InsertChild(head, 0);
    }
    Element* style = document.CreateElement("STYLE");
    head->AppendChild(style);
    return style;
}

std::u16string StyleSheetProperty(Document& document, std::string_view selector,
                                  std::string_view property)
{
    std::u16string value;
    for (const StyleSheet& sheet : StyleSheets(document))
        for (const StyleRule& rule : sheet.Rules())
            if (SelectorListNames(rule.selectorText, selector)) {
                std::u16string found = rule.declarations.Get(property);
                if (!found.empty())
                    value = found;
            }
    return value;
}

} // namespace vellum::html
