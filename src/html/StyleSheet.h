// Style sheets of a document: the rules of its STYLE elements.
//
// The editor needs only a little CSS: the font size that the rule for "BODY"
// gives, and a style sheet to create when a document has none. Rules are read
// from the STYLE elements' text each time, so the text stays the single truth
// (serialized, undone and edited like any other content).
#pragma once

#include "html/InlineStyle.h"

#include <string>
#include <string_view>
#include <vector>

namespace vellum::html {

class Document;
class Element;

struct StyleRule
{
    std::u16string selectorText; // as written, such as "BODY, TD"
    InlineStyle declarations;
};

class StyleSheet
{
public:
    // The rules of one STYLE element (at-rules such as @media are skipped).
    explicit StyleSheet(Element& owner);

    Element& OwnerElement() const { return *owner_; }
    const std::vector<StyleRule>& Rules() const { return rules_; }
    // Appends "selector { declarations }" to the element's text.
    void AddRule(std::u16string_view selector, std::u16string_view declarations);

private:
    Element* owner_;
    std::vector<StyleRule> rules_;
};

// Parses a style sheet's text into rules.
std::vector<StyleRule> ParseStyleRules(std::u16string_view css);

// The document's style sheets in document order.
std::vector<StyleSheet> StyleSheets(Document& document);

// Creates an empty STYLE element at the end of HEAD (creating HEAD when
// missing) and returns its sheet; null when the document has no HTML element.
Element* CreateStyleSheet(Document& document);

// The value the style sheets give `property` for the rule whose selector
// list names `selector` (compared without regard to case); later rules win.
// Empty when no rule sets it.
std::u16string StyleSheetProperty(Document& document, std::string_view selector,
                                  std::string_view property);

} // namespace vellum::html
