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
    std::vector<std::uint32_t> names;
    for (std::size_t i = 0; i + 1 < selector.compounds.size(); ++i) {
        Combinator combinator = selector.compounds[i].toLeft;
        if (combinator != Combinator::Descendant && combinator != Combinator::Child)
            break;
        const CompoundSelector& ancestor = selector.compounds[i + 1];
        if (!ancestor.tag.empty())
            names.push_back(TagHash(ancestor.tag));
        for (const SimpleSelector& simple : ancestor.conditions) {
            if (simple.kind == SimpleSelector::Kind::Id)
                names.push_back(NameHash('#', simple.value));
            else if (simple.kind == SimpleSelector::Kind::Class)
                names.push_back(NameHash('.', simple.value));
        }
    }
    return names;
}

} // namespace

void AncestorFilter::Add(std::uint32_t hash)
{
    bits_[(hash >> 6) % 8] |= std::uint64_t(1) << (hash & 63);
    bits_[(hash >> 20) % 8] |= std::uint64_t(1) << ((hash >> 14) & 63);
}

bool AncestorFilter::MayContain(std::uint32_t hash) const
{
    return (bits_[(hash >> 6) % 8] & (std::uint64_t(1) << (hash & 63))) &&
           (bits_[(hash >> 20) % 8] & (std::uint64_t(1) << ((hash >> 14) & 63)));
}

const AncestorFilter& RuleIndex::FilterFor(const Element& element) const
{
    const Element* parent = element.ParentElement();
    if (parent == filterParent_ && parent)
        return filter_;
    filter_ = {};
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
    rule.ancestorNames = AncestorNames(rule.selector);
    auto index = static_cast<std::uint32_t>(rules_.size());
    const CompoundSelector& subject = rule.selector.Subject();
    const SimpleSelector* firstClass = nullptr;
    const SimpleSelector* id = nullptr;
    for (const SimpleSelector& simple : subject.conditions) {
        if (simple.kind == SimpleSelector::Kind::Id && !id)
            id = &simple;
        if (simple.kind == SimpleSelector::Kind::Class && !firstClass)
            firstClass = &simple;
    }
    if (id)
        byId_[id->value].push_back(index);
    else if (firstClass)
        byClass_[firstClass->value].push_back(index);
    else if (!subject.tag.empty())
        byTag_[subject.tag].push_back(index);
    else
        others_.push_back(index);
    rules_.push_back(std::move(rule));
}

void RuleIndex::Match(const Element& element, std::vector<const Rule*>& out) const
{
    out.clear();
    if (rules_.empty())
        return;
    // The buckets the element can meet; most elements meet one or none, so
    // the candidates are merged (and sorted into source order) only when
    // several buckets have some.
    constexpr std::size_t kMostBuckets = 16;
    std::array<const std::vector<std::uint32_t>*, kMostBuckets> buckets;
    std::size_t count = 0;
    auto take = [&](const auto& map, const auto& key) {
        auto found = map.find(key);
        if (found != map.end() && count < kMostBuckets)
            buckets[count++] = &found->second;
    };
    if (!others_.empty())
        buckets[count++] = &others_;
    if (!byId_.empty())
        if (const std::u16string* id = element.FindAttribute("id"))
            take(byId_, std::u16string_view(*id));
    if (!byClass_.empty())
        ForEachClass(element, [&](std::u16string_view name) { take(byClass_, name); });
    if (!byTag_.empty())
        take(byTag_, element.TagName());
    if (count == 0)
        return;
    thread_local std::vector<std::uint32_t> merged;
    const std::vector<std::uint32_t>* candidates = buckets.front();
    if (count > 1) {
        merged.clear();
        for (std::size_t i = 0; i < count; ++i)
            merged.insert(merged.end(), buckets[i]->begin(), buckets[i]->end());
        std::sort(merged.begin(), merged.end());
        merged.erase(std::unique(merged.begin(), merged.end()), merged.end());
        candidates = &merged;
    }
    const AncestorFilter* filter = nullptr;
    for (std::uint32_t index : *candidates) {
        const Rule& rule = rules_[index];
        if (!rule.ancestorNames.empty()) {
            if (!filter)
                filter = &FilterFor(element);
            if (!std::all_of(rule.ancestorNames.begin(), rule.ancestorNames.end(),
                             [&](std::uint32_t name) { return filter->MayContain(name); }))
                continue;
        }
        if (Matches(rule.selector, element))
            out.push_back(&rule);
    }
    std::stable_sort(out.begin(), out.end(), [](const Rule* a, const Rule* b) {
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
                if (display)
                    display_.Add({selector, block, order, {}});
                all_.Add({std::move(selector), block, order, {}});
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
    if (cascade)
        cascade->Match(element, ordered_, important);
    for (const Declaration& declaration : inline_)
        if (!declaration.important)
            ordered_.push_back(&declaration);
    ordered_.insert(ordered_.end(), important.begin(), important.end());
    for (const Declaration& declaration : inline_)
        if (declaration.important)
            ordered_.push_back(&declaration);
}

} // namespace vellum::html
