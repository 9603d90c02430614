// Selector reading and right-to-left matching. Class and id names compare
// exactly; attribute values compare without regard to case only for the
// attributes HTML defines as case-insensitive (align, bgcolor, type...).
#include "html/Selector.h"

#include "html/InlineStyle.h"
#include "html/Node.h"

#include <algorithm>
#include <optional>

namespace vellum::html {
namespace {

bool IsSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool IsNameChar(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'-' || c == u'_' || c >= 0x80;
}

char16_t Lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

std::string UpperAscii(std::u16string_view text)
{
    std::string out = AsciiFromUtf16(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return out;
}

std::string LowerAscii(std::u16string_view text)
{
    std::string out = AsciiFromUtf16(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
}

class SelectorReader
{
public:
    explicit SelectorReader(std::u16string_view text) : text_(text) {}

    std::optional<Selector> ReadSelector()
    {
        Selector selector;
        SkipSpace();
        while (true) {
            auto compound = ReadCompound();
            if (!compound)
                return std::nullopt;
            selector.compounds.push_back(std::move(*compound));
            bool spaced = SkipSpace();
            if (AtEnd())
                break;
            Combinator combinator = Combinator::Descendant;
            if (Peek() == u'>' || Peek() == u'+' || Peek() == u'~') {
                combinator = Peek() == u'>'   ? Combinator::Child
                             : Peek() == u'+' ? Combinator::Adjacent
                                              : Combinator::Sibling;
                ++pos_;
                SkipSpace();
            } else if (!spaced) {
                return std::nullopt;
            }
            selector.compounds.back().toLeft = combinator;
        }
        std::reverse(selector.compounds.begin(), selector.compounds.end());
        // Each combinator now belongs to the compound on its right, which
        // after the reversal is the one before it.
        for (std::size_t i = 0; i + 1 < selector.compounds.size(); ++i)
            selector.compounds[i].toLeft = selector.compounds[i + 1].toLeft;
        selector.compounds.back().toLeft = Combinator::None;
        selector.specificity = Specificity(selector);
        return selector;
    }

private:
    bool AtEnd() const { return pos_ >= text_.size(); }
    char16_t Peek() const { return AtEnd() ? 0 : text_[pos_]; }

    bool SkipSpace()
    {
        std::size_t start = pos_;
        while (!AtEnd() && IsSpace(text_[pos_]))
            ++pos_;
        return pos_ > start;
    }

    // An identifier with backslash escapes of single characters.
    std::u16string ReadName()
    {
        std::u16string name;
        while (!AtEnd()) {
            char16_t c = text_[pos_];
            if (c == u'\\' && pos_ + 1 < text_.size()) {
                name += text_[pos_ + 1];
                pos_ += 2;
            } else if (IsNameChar(c)) {
                name += c;
                ++pos_;
            } else {
                break;
            }
        }
        return name;
    }

    std::optional<std::u16string> ReadValue()
    {
        char16_t quote = Peek();
        if (quote != u'"' && quote != u'\'') {
            std::u16string name = ReadName();
            if (name.empty())
                return std::nullopt;
            return name;
        }
        std::size_t close = text_.find(quote, pos_ + 1);
        if (close == std::u16string_view::npos)
            return std::nullopt;
        std::u16string value(text_.substr(pos_ + 1, close - pos_ - 1));
        pos_ = close + 1;
        return value;
    }

    std::optional<CompoundSelector> ReadCompound()
    {
        CompoundSelector compound;
        bool any = false;
        if (Peek() == u'*') {
            ++pos_;
            any = true;
        } else if (IsNameChar(Peek()) || Peek() == u'\\') {
            compound.tag = UpperAscii(ReadName());
            any = true;
        }
        while (!AtEnd()) {
            char16_t c = Peek();
            if (c != u'#' && c != u'.' && c != u'[' && c != u':')
                break;
            auto simple = ReadSimple();
            if (!simple)
                return std::nullopt;
            compound.conditions.push_back(std::move(*simple));
            any = true;
        }
        if (!any)
            return std::nullopt;
        return compound;
    }

    std::optional<SimpleSelector> ReadSimple()
    {
        SimpleSelector simple;
        char16_t c = text_[pos_++];
        if (c == u'#' || c == u'.') {
            simple.kind = c == u'#' ? SimpleSelector::Kind::Id : SimpleSelector::Kind::Class;
            simple.value = ReadName();
            if (simple.value.empty())
                return std::nullopt;
            return simple;
        }
        if (c == u'[')
            return ReadAttribute();
        return ReadPseudo();
    }

    std::optional<SimpleSelector> ReadAttribute()
    {
        SimpleSelector simple;
        simple.kind = SimpleSelector::Kind::Attribute;
        SkipSpace();
        simple.name = LowerAscii(ReadName());
        SkipSpace();
        if (simple.name.empty())
            return std::nullopt;
        if (Peek() == u']') {
            ++pos_;
            return simple;
        }
        static constexpr std::pair<char16_t, AttributeTest> kTests[] = {
            {u'~', AttributeTest::Includes},
            {u'|', AttributeTest::DashPrefix},
            {u'^', AttributeTest::Prefix},
            {u'$', AttributeTest::Suffix},
            {u'*', AttributeTest::Substring}};
        simple.test = AttributeTest::Equals;
        for (auto [prefix, test] : kTests)
            if (Peek() == prefix) {
                simple.test = test;
                ++pos_;
            }
        if (Peek() != u'=')
            return std::nullopt;
        ++pos_;
        SkipSpace();
        auto value = ReadValue();
        if (!value)
            return std::nullopt;
        simple.value = std::move(*value);
        SkipSpace();
        if (Peek() == u'i' || Peek() == u'I') { // the case-insensitive flag
            ++pos_;
            simple.name.insert(0, 1, '~');
            SkipSpace();
        }
        if (Peek() != u']')
            return std::nullopt;
        ++pos_;
        return simple;
    }

    std::optional<SimpleSelector> ReadPseudo()
    {
        SimpleSelector simple;
        bool element = Peek() == u':';
        if (element)
            ++pos_;
        std::string name = LowerAscii(ReadName());
        if (name.empty())
            return std::nullopt;
        if (Peek() == u'(') {
            std::size_t close = text_.find(u')', pos_);
            if (close == std::u16string_view::npos)
                return std::nullopt;
            std::u16string_view argument = TrimSpace(text_.substr(pos_ + 1, close - pos_ - 1));
            pos_ = close + 1;
            if (name == "nth-child")
                return ReadNth(argument);
            if (name == "not")
                return ReadNegation(argument);
            return std::nullopt;
        }
        using Kind = SimpleSelector::Kind;
        static const std::pair<std::string_view, Kind> kKinds[] = {
            {"first-child", Kind::FirstChild}, {"last-child", Kind::LastChild},
            {"only-child", Kind::OnlyChild},   {"link", Kind::Link},
            {"visited", Kind::Link},           {"hover", Kind::Never},
            {"active", Kind::Never},           {"focus", Kind::Never},
            {"before", Kind::Never},           {"after", Kind::Never},
            {"first-line", Kind::Never},       {"first-letter", Kind::Never},
            {"selection", Kind::Never}};
        for (auto [known, kind] : kKinds)
            if (name == known && (!element || kind == Kind::Never)) {
                simple.kind = kind;
                return simple;
            }
        return std::nullopt;
    }

    static std::optional<SimpleSelector> ReadNth(std::u16string_view argument)
    {
        SimpleSelector simple;
        simple.kind = SimpleSelector::Kind::NthChild;
        std::string text;
        for (char16_t c : argument)
            if (!IsSpace(c))
                text += static_cast<char>(Lower(c) < 0x80 ? Lower(c) : '?');
        if (text == "odd")
            text = "2n+1";
        else if (text == "even")
            text = "2n";
        std::size_t n = text.find('n');
        try {
            if (n == std::string::npos) {
                std::size_t used = 0;
                simple.b = std::stoi(text, &used);
                return used == text.size() ? std::optional(simple) : std::nullopt;
            }
            std::string a = text.substr(0, n);
            simple.a = a.empty() || a == "+" ? 1 : a == "-" ? -1 : std::stoi(a);
            std::string b = text.substr(n + 1);
            if (!b.empty()) {
                std::size_t used = 0;
                simple.b = std::stoi(b, &used);
                if (used != b.size() || (b[0] != '+' && b[0] != '-'))
                    return std::nullopt;
            }
        } catch (...) {
            return std::nullopt;
        }
        return simple;
    }

    static std::optional<SimpleSelector> ReadNegation(std::u16string_view argument)
    {
        SimpleSelector simple;
        simple.kind = SimpleSelector::Kind::Not;
        SelectorReader inner(argument);
        auto compound = inner.ReadCompound();
        if (!compound || !inner.AtEnd())
            return std::nullopt;
        bool typed = !compound->tag.empty() || argument == u"*";
        if (typed + compound->conditions.size() != 1)
            return std::nullopt;
        if (typed)
            simple.negatedTag = compound->tag.empty() ? "*" : compound->tag;
        else
            simple.negated = std::move(compound->conditions);
        return simple;
    }

    static void Count(const SimpleSelector& simple, std::uint32_t& ids, std::uint32_t& classes,
                      std::uint32_t& tags)
    {
        if (simple.kind == SimpleSelector::Kind::Id) {
            ++ids;
        } else if (simple.kind == SimpleSelector::Kind::Not) {
            for (const SimpleSelector& negated : simple.negated)
                Count(negated, ids, classes, tags);
            if (!simple.negatedTag.empty() && simple.negatedTag != "*")
                ++tags;
        } else {
            ++classes;
        }
    }

    static std::uint32_t Specificity(const Selector& selector)
    {
        std::uint32_t ids = 0, classes = 0, tags = 0;
        for (const CompoundSelector& compound : selector.compounds) {
            if (!compound.tag.empty())
                ++tags;
            for (const SimpleSelector& simple : compound.conditions)
                Count(simple, ids, classes, tags);
        }
        return std::min(ids, 255u) << 16 | std::min(classes, 255u) << 8 | std::min(tags, 255u);
    }

    std::u16string_view text_;
    std::size_t pos_ = 0;
};

// ---- matching --------------------------------------------------------------

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

bool ValueIsCaseless(std::string_view attribute)
{
    static constexpr std::string_view kNames[] = {
        "align",  "bgcolor",   "clear",  "color", "dir",     "face",   "frame", "lang",
        "link",   "method",    "nowrap", "rules", "scope",   "shape",  "text",  "type",
        "valign", "valuetype", "vlink",  "alink", "noshade", "checked"};
    return std::any_of(std::begin(kNames), std::end(kNames),
                       [&](std::string_view name) { return NamesEqual(name, attribute); });
}

bool HasWord(std::u16string_view list, std::u16string_view word, bool caseless)
{
    std::size_t pos = 0;
    while (pos < list.size()) {
        while (pos < list.size() && IsSpace(list[pos]))
            ++pos;
        std::size_t end = pos;
        while (end < list.size() && !IsSpace(list[end]))
            ++end;
        std::u16string_view item = list.substr(pos, end - pos);
        if (!item.empty() && (caseless ? EqualsIgnoringCase(item, word) : item == word))
            return true;
        pos = end;
    }
    return false;
}

bool AttributeMatches(const SimpleSelector& simple, const Element& element)
{
    std::string_view name = simple.name;
    bool flagged = name.starts_with('~');
    if (flagged)
        name.remove_prefix(1);
    const std::u16string* found = element.FindAttribute(name);
    if (!found)
        return false;
    std::u16string_view actual = *found;
    std::u16string_view wanted = simple.value;
    bool caseless = flagged || ValueIsCaseless(name);
    auto same = [&](std::u16string_view a, std::u16string_view b) {
        return caseless ? EqualsIgnoringCase(a, b) : a == b;
    };
    switch (simple.test) {
    case AttributeTest::Exists:
        return true;
    case AttributeTest::Equals:
        return same(actual, wanted);
    case AttributeTest::Includes:
        return HasWord(actual, wanted, caseless);
    case AttributeTest::DashPrefix:
        return same(actual, wanted) ||
               (actual.size() > wanted.size() && actual[wanted.size()] == u'-' &&
                same(actual.substr(0, wanted.size()), wanted));
    case AttributeTest::Prefix:
        return !wanted.empty() && actual.size() >= wanted.size() &&
               same(actual.substr(0, wanted.size()), wanted);
    case AttributeTest::Suffix:
        return !wanted.empty() && actual.size() >= wanted.size() &&
               same(actual.substr(actual.size() - wanted.size()), wanted);
    case AttributeTest::Substring:
        if (wanted.empty())
            return false;
        for (std::size_t i = 0; i + wanted.size() <= actual.size(); ++i)
            if (same(actual.substr(i, wanted.size()), wanted))
                return true;
        return false;
    }
    return false;
}

// The element's place among its parent's element children: 1-based from the
// start and from the end.
std::pair<int, int> ElementIndexes(const Element& element)
{
    const Node* parent = element.Parent();
    if (!parent || !parent->IsElement())
        return {1, 1};
    int before = 0, after = 0;
    bool seen = false;
    for (const Node* sibling : parent->Children()) {
        if (sibling == &element)
            seen = true;
        else if (sibling->IsElement())
            ++(seen ? after : before);
    }
    return {before + 1, after + 1};
}

bool NthMatches(int a, int b, int index)
{
    if (a == 0)
        return index == b;
    int steps = index - b;
    return steps % a == 0 && steps / a >= 0;
}

bool SimpleMatches(const SimpleSelector& simple, const Element& element);

bool NegationMatches(const SimpleSelector& simple, const Element& element)
{
    if (!simple.negatedTag.empty())
        return simple.negatedTag != "*" && element.TagName() != simple.negatedTag;
    return !SimpleMatches(simple.negated.front(), element);
}

bool SimpleMatches(const SimpleSelector& simple, const Element& element)
{
    using Kind = SimpleSelector::Kind;
    switch (simple.kind) {
    case Kind::Id: {
        const std::u16string* id = element.FindAttribute("id");
        return id && *id == simple.value;
    }
    case Kind::Class: {
        const std::u16string* classes = element.FindAttribute("class");
        return classes && HasWord(*classes, simple.value, false);
    }
    case Kind::Attribute:
        return AttributeMatches(simple, element);
    case Kind::FirstChild:
        return ElementIndexes(element).first == 1;
    case Kind::LastChild:
        return ElementIndexes(element).second == 1;
    case Kind::OnlyChild:
        return ElementIndexes(element) == std::pair(1, 1);
    case Kind::NthChild:
        return NthMatches(simple.a, simple.b, ElementIndexes(element).first);
    case Kind::Link:
        return element.TagName() == "A" && element.HasAttribute("href");
    case Kind::Not:
        return NegationMatches(simple, element);
    case Kind::Never:
        return false;
    }
    return false;
}

bool CompoundMatches(const CompoundSelector& compound, const Element& element)
{
    if (!compound.tag.empty() && compound.tag != element.TagName())
        return false;
    return std::all_of(
        compound.conditions.begin(), compound.conditions.end(),
        [&](const SimpleSelector& simple) { return SimpleMatches(simple, element); });
}

const Element* PreviousElement(const Element& element)
{
    const Node* parent = element.Parent();
    if (!parent)
        return nullptr;
    const auto& siblings = parent->Children();
    auto it = std::find(siblings.begin(), siblings.end(), &element);
    while (it != siblings.begin()) {
        --it;
        if ((*it)->IsElement())
            return (*it)->AsElement();
    }
    return nullptr;
}

// Why a match failed decides how far back a retry may go: a failure that
// no farther ancestor (or earlier sibling) could mend ends the whole match.
enum class Outcome { Matches, FailsLocally, FailsAllSiblings, FailsCompletely };

Outcome MatchFrom(const Selector& selector, std::size_t index, const Element& element)
{
    const CompoundSelector& compound = selector.compounds[index];
    if (!CompoundMatches(compound, element))
        return Outcome::FailsLocally;
    if (index + 1 == selector.compounds.size())
        return Outcome::Matches;
    switch (compound.toLeft) {
    case Combinator::Descendant:
        for (const Element* up = element.ParentElement(); up; up = up->ParentElement()) {
            Outcome outcome = MatchFrom(selector, index + 1, *up);
            if (outcome == Outcome::Matches || outcome == Outcome::FailsCompletely)
                return outcome;
        }
        return Outcome::FailsCompletely;
    case Combinator::Child: {
        const Element* parent = element.ParentElement();
        if (!parent)
            return Outcome::FailsCompletely;
        Outcome outcome = MatchFrom(selector, index + 1, *parent);
        return outcome == Outcome::FailsAllSiblings ? Outcome::FailsLocally : outcome;
    }
    case Combinator::Adjacent: {
        const Element* previous = PreviousElement(element);
        if (!previous)
            return Outcome::FailsAllSiblings;
        return MatchFrom(selector, index + 1, *previous);
    }
    case Combinator::Sibling:
        for (const Element* previous = PreviousElement(element); previous;
             previous = PreviousElement(*previous)) {
            Outcome outcome = MatchFrom(selector, index + 1, *previous);
            if (outcome != Outcome::FailsLocally)
                return outcome;
        }
        return Outcome::FailsAllSiblings;
    case Combinator::None:
        break;
    }
    return Outcome::Matches;
}

} // namespace

std::vector<Selector> ParseSelectorList(std::u16string_view text)
{
    std::vector<Selector> selectors;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(u',', start);
        if (comma == std::u16string_view::npos)
            comma = text.size();
        std::u16string_view part = TrimSpace(text.substr(start, comma - start));
        SelectorReader reader(part);
        auto selector = reader.ReadSelector();
        if (!selector)
            return {};
        selectors.push_back(std::move(*selector));
        start = comma + 1;
    }
    return selectors;
}

bool Matches(const Selector& selector, const Element& element)
{
    return !selector.compounds.empty() && MatchFrom(selector, 0, element) == Outcome::Matches;
}

} // namespace vellum::html
