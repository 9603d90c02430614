// Rules are filed once; matching gathers the candidates of the element's
// buckets, tests each selector from the right, and sorts the few that match.
#include "html/Cascade.h"

#include "html/Document.h"
#include "html/InlineStyle.h"
#include "html/Node.h"

#include <algorithm>

namespace vellum::html {
namespace {

bool DeclaresDisplay(const std::vector<Declaration>& declarations)
{
    return std::any_of(declarations.begin(), declarations.end(),
                       [](const Declaration& d) { return d.property == "display"; });
}

std::uint32_t NameHash(char kind, std::u16string_view name)
{
    std::uint32_t hash = 2166136261u ^ static_cast<std::uint32_t>(kind);
    for (char16_t c : name)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

std::uint32_t TagHash(const std::string& tag)
{
    std::uint32_t hash = 2166136261u ^ static_cast<std::uint32_t>('<');
    for (char c : tag)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

// Calls `visit` with each class of the element, without copies.
template <typename Visit> void ForEachClass(const Element& element, Visit visit)
{
    const std::u16string* list = element.FindAttribute("class");
    if (!list)
        return;
    std::u16string_view text = *list;
    auto space = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
    };
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && space(text[pos]))
            ++pos;
        std::size_t end = pos;
        while (end < text.size() && !space(text[end]))
            ++end;
        if (end > pos)
            visit(text.substr(pos, end - pos));
        pos = end;
    }
}

// The names an element offers to its descendants' selectors.
void AddNamesOf(const Element& element, AncestorFilter& filter)
{
    filter.Add(TagHash(element.TagName()));
    if (const std::u16string* id = element.FindAttribute("id"))
        filter.Add(NameHash('#', *id));
    ForEachClass(element, [&](std::u16string_view name) { filter.Add(NameHash('.', name)); });
}

// The names every ancestor step of the selector needs, up to its first
// sibling step (whose elements are not ancestors).
std::vector<std::uint32_t> AncestorNames(const Selector& selector)
{
    std::vector<std::uint32_t> names, tags;
    for (std::size_t i = 0; i + 1 < selector.compounds.size(); ++i) {
        Combinator combinator = selector.compounds[i].toLeft;
        if (combinator != Combinator::Descendant && combinator != Combinator::Child)
            break;
        const CompoundSelector& ancestor = selector.compounds[i + 1];
        if (!ancestor.tag.empty())
            tags.push_back(TagHash(ancestor.tag));
        for (const SimpleSelector& simple : ancestor.conditions) {
            if (simple.kind == SimpleSelector::Kind::Id)
                names.push_back(NameHash('#', simple.value));
            else if (simple.kind == SimpleSelector::Kind::Class)
                names.push_back(NameHash('.', simple.value));
        }
    }
    // Ids and classes first: they are rarer than tags, so a rule that
    // cannot match is told so by its first name.
    names.insert(names.end(), tags.begin(), tags.end());
    return names;
}

bool LooksAtSiblings(const SimpleSelector& simple)
{
    using Kind = SimpleSelector::Kind;
    return simple.kind == Kind::FirstChild || simple.kind == Kind::LastChild ||
           simple.kind == Kind::OnlyChild || simple.kind == Kind::NthChild ||
           std::any_of(simple.negated.begin(), simple.negated.end(), LooksAtSiblings);
}

bool LooksAtSiblings(const Selector& selector)
{
    return std::any_of(
        selector.compounds.begin(), selector.compounds.end(), [](const CompoundSelector& c) {
            return c.toLeft == Combinator::Adjacent || c.toLeft == Combinator::Sibling ||
                   std::any_of(c.conditions.begin(), c.conditions.end(),
                               [](const SimpleSelector& s) { return LooksAtSiblings(s); });
        });
}

} // namespace

const AncestorFilter& RuleIndex::FilterFor(const Element& element) const
{
    const Element* parent = element.ParentElement();
    if (parent == filterParent_ && parent)
        return filter_;
    filter_ = {};
    ++filterVersion_;
    filterParent_ = parent;
    if (!parent)
        return filter_;
    const Element* grandparent = parent->ParentElement();
    if (grandparent != filterGrandparent_ || !grandparent) {
        grandFilter_ = {};
        for (const Element* up = grandparent; up; up = up->ParentElement())
            AddNamesOf(*up, grandFilter_);
        filterGrandparent_ = grandparent;
    }
    filter_ = grandFilter_;
    AddNamesOf(*parent, filter_);
    return filter_;
}

void RuleIndex::Add(Rule rule)
{
    Candidate candidate{static_cast<std::uint32_t>(rules_.size()), 0, {}};
    // Long chains repeat their names (div > div div): each is kept once, so
    // that the three kept include the rarer ones further left.
    for (std::uint32_t name : AncestorNames(rule.selector)) {
        auto kept = candidate.names.begin() + candidate.nameCount;
        if (std::find(candidate.names.begin(), kept, name) != kept)
            continue;
        if (candidate.nameCount == candidate.names.size())
            break;
        candidate.names[candidate.nameCount++] = name;
    }
    const CompoundSelector& subject = rule.selector.Subject();
    const SimpleSelector* firstClass = nullptr;
    const SimpleSelector* id = nullptr;
    for (const SimpleSelector& simple : subject.conditions) {
        if (simple.kind == SimpleSelector::Kind::Id && !id)
            id = &simple;
        if (simple.kind == SimpleSelector::Kind::Class && !firstClass)
            firstClass = &simple;
    }
    Bucket& bucket = id                     ? byId_[id->value]
                     : firstClass           ? byClass_[firstClass->value]
                     : !subject.tag.empty() ? byTag_[subject.tag]
                                            : others_;
    bucket.candidates.push_back(candidate);
    bucket.all.push_back(candidate.index);
    bucket.needsAncestors = bucket.needsAncestors || candidate.nameCount > 0;
    rules_.push_back(std::move(rule));
}

const std::vector<std::uint32_t>& RuleIndex::Survivors(const Bucket& bucket,
                                                       const AncestorFilter& filter) const
{
    // Siblings ask with the very same filter: its version tells so without
    // comparing its bits.
    for (SurvivorMemo& memo : memos_) {
        if (memo.bucket != &bucket)
            continue;
        if (memo.filterVersion == filterVersion_)
            return memo.rules;
        if (memo.filter == filter) {
            memo.filterVersion = filterVersion_;
            return memo.rules;
        }
    }
    SurvivorMemo& memo = memos_[nextMemo_];
    nextMemo_ = (nextMemo_ + 1) % memos_.size();
    memo.bucket = &bucket;
    memo.filter = filter;
    memo.filterVersion = filterVersion_;
    memo.rules.clear();
    for (const Candidate& candidate : bucket.candidates) {
        bool mayMatch = true;
        for (std::uint32_t i = 0; i < candidate.nameCount && mayMatch; ++i)
            mayMatch = filter.MayContain(candidate.names[i]);
        if (mayMatch)
            memo.rules.push_back(candidate.index);
    }
    return memo.rules;
}

void RuleIndex::Match(const Element& element, std::vector<const Rule*>& out) const
{
    out.clear();
    if (rules_.empty())
        return;
    // Each rule is filed in one bucket only, so the buckets the element
    // meets are swept one after the other and only the few rules that
    // match are sorted; a bucket is met twice only through a repeated class.
    constexpr std::size_t kMostBuckets = 16;
    std::array<const Bucket*, kMostBuckets> buckets;
    std::size_t count = 0;
    auto take = [&](const auto& map, const auto& key) {
        auto found = map.find(key);
        if (found == map.end() || count == kMostBuckets)
            return;
        if (std::find(buckets.begin(), buckets.begin() + count, &found->second) ==
            buckets.begin() + count)
            buckets[count++] = &found->second;
    };
    if (!others_.all.empty())
        buckets[count++] = &others_;
    if (!byId_.empty())
        if (const std::u16string* id = element.FindAttribute("id"))
            take(byId_, std::u16string_view(*id));
    if (!byClass_.empty())
        ForEachClass(element, [&](std::u16string_view name) { take(byClass_, name); });
    if (!byTag_.empty())
        take(byTag_, element.TagName());
    for (std::size_t b = 0; b < count; ++b) {
        const Bucket& bucket = *buckets[b];
        const std::vector<std::uint32_t>& rules =
            bucket.needsAncestors ? Survivors(bucket, FilterFor(element)) : bucket.all;
        for (std::uint32_t index : rules)
            if (Matches(rules_[index].selector, element))
                out.push_back(&rules_[index]);
    }
    std::sort(out.begin(), out.end(), [](const Rule* a, const Rule* b) {
        return a->selector.specificity != b->selector.specificity
                   ? a->selector.specificity < b->selector.specificity
                   : a->order < b->order;
    });
}

Cascade::Cascade(const Document& document, const MediaContext& media)
    : Cascade(document.GetElementsByTagName("STYLE"), media)
{
}

Cascade::Cascade(const std::vector<Element*>& sheets, const MediaContext& media)
{
    std::uint32_t order = 0;
    for (Element* style : sheets) {
        if (auto type = style->FindAttribute("type");
            type && !type->empty() && !NamesEqual(AsciiFromUtf16(*type), "text/css"))
            continue;
        if (auto list = style->FindAttribute("media"); list && !MediaApplies(*list, media))
            continue;
        for (CssRule& rule : ReadCssRules(style->TextContent(), media)) {
            std::vector<Selector> selectors = ParseSelectorList(rule.selectorText);
            if (selectors.empty() || rule.declarations.empty())
                continue;
            blocks_.push_back(
                std::make_unique<std::vector<Declaration>>(std::move(rule.declarations)));
            const std::vector<Declaration>* block = blocks_.back().get();
            bool display = DeclaresDisplay(*block);
            for (Selector& selector : selectors) {
                dependsOnSiblings_ = dependsOnSiblings_ || LooksAtSiblings(selector);
                if (display)
                    display_.Add({selector, block, order});
                all_.Add({std::move(selector), block, order});
                ++order;
            }
        }
    }
    dependsOnWidth_ = media.askedForWidth;
}

void Cascade::Match(const Element& element, std::vector<const Declaration*>& normal,
                    std::vector<const Declaration*>& important) const
{
    if (all_.Empty())
        return;
    thread_local std::vector<const RuleIndex::Rule*> rules;
    all_.Match(element, rules);
    for (const RuleIndex::Rule* rule : rules)
        for (const Declaration& declaration : *rule->declarations)
            (declaration.important ? important : normal).push_back(&declaration);
}

const Declaration* Cascade::DisplayDeclaration(const Element& element) const
{
    if (display_.Empty())
        return nullptr;
    thread_local std::vector<const RuleIndex::Rule*> rules;
    display_.Match(element, rules);
    const Declaration* normal = nullptr;
    const Declaration* important = nullptr;
    for (const RuleIndex::Rule* rule : rules)
        for (const Declaration& declaration : *rule->declarations)
            if (declaration.property == "display")
                (declaration.important ? important : normal) = &declaration;
    return important ? important : normal;
}

AppliedDeclarations::AppliedDeclarations(const Element& element, const Cascade* cascade)
{
    const std::u16string* styleText = element.FindAttribute("style");
    if (styleText && !styleText->empty())
        inline_ = ReadDeclarations(*styleText);
    std::vector<const Declaration*> important;
    if (cascade && !cascade->Empty()) {
        ordered_.reserve(16); // one allocation for most elements' rules
        cascade->Match(element, ordered_, important);
    }
    for (const Declaration& declaration : inline_)
        if (!declaration.important)
            ordered_.push_back(&declaration);
    ordered_.insert(ordered_.end(), important.begin(), important.end());
    for (const Declaration& declaration : inline_)
        if (declaration.important)
            ordered_.push_back(&declaration);
}

} // namespace vellum::html
