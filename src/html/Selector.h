// CSS selectors: reading a selector list and matching an element against it.
//
// A selector is kept as its compound selectors from right to left, each with
// the combinator that links it to the next one on its left. Matching runs in
// that order, as browsers do: the rightmost compound is tested on the element
// itself and fails most candidates at once. Where a child or sibling chain
// fails above a descendant step, only that descendant step tries a farther
// ancestor; nothing further left is retried, so a long mix of child and
// descendant steps over deep nesting costs the depth times the steps, never
// more.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vellum::html {

class Element;

enum class Combinator { None, Descendant, Child, Adjacent, Sibling };

enum class AttributeTest { Exists, Equals, Includes, DashPrefix, Prefix, Suffix, Substring };

struct SimpleSelector
{
    enum class Kind {
        Id,
        Class,
        Attribute,
        FirstChild,
        LastChild,
        OnlyChild,
        NthChild,
        Link,
        Not,
        Never // states a static page is never in (:hover), pseudo-elements
    };
    Kind kind = Kind::Class;
    std::string name;     // the attribute's name (lower case)
    std::u16string value; // id, class, attribute value
    AttributeTest test = AttributeTest::Exists;
    int a = 0, b = 0; // :nth-child(an+b)
    // :not(): the one simple selector it negates, or a type selector.
    std::vector<SimpleSelector> negated;
    std::string negatedTag; // upper case; "*" for the universal selector
};

struct CompoundSelector
{
    std::string tag; // upper case; empty for any element
    std::vector<SimpleSelector> conditions;
    Combinator toLeft = Combinator::None; // how the next compound relates
};

struct Selector
{
    std::vector<CompoundSelector> compounds; // rightmost first
    std::uint32_t specificity = 0;           // ids, classes and tags, a byte each

    // The rightmost compound's id, first class and tag, for indexing rules.
    const CompoundSelector& Subject() const { return compounds.front(); }
};

// Reads a selector list ("P.note, DIV > A[href]"). An unreadable selector
// anywhere makes the whole list invalid, as CSS wants: the result is empty.
std::vector<Selector> ParseSelectorList(std::u16string_view text);

bool Matches(const Selector& selector, const Element& element);

} // namespace vellum::html
