// The cascade: which declarations of a document's style sheets and of an
// element's "style" attribute apply to the element, and in which order.
//
// The rules of every STYLE element (in HEAD or BODY, in document order) are
// read once into an index keyed by each selector's rightmost id, else its
// first class, else its tag; an element meets only the rules filed under its
// own id, classes and tag plus the few filed under none. A document without
// STYLE elements has an empty cascade, and asking it costs nothing.
#pragma once

#include "html/CssReader.h"
#include "html/Selector.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vellum::html {

class Document;
class Element;

// The names (tags, ids, classes) of an element's ancestors, as a small
// Bloom filter: a rule whose selector needs an ancestor name the filter
// lacks cannot match, and is passed over without walking up the tree.
class AncestorFilter
{
public:
    void Add(std::uint32_t hash)
    {
        for (std::uint32_t bit : Probes(hash))
            bits_[bit / 64] |= std::uint64_t(1) << (bit % 64);
    }
    // Asked once for every rule of a bucket, so kept inline; a rule that
    // cannot match fails at the first probe almost always.
    bool MayContain(std::uint32_t hash) const
    {
        for (std::uint32_t bit : Probes(hash))
            if (!(bits_[bit / 64] & (std::uint64_t(1) << (bit % 64))))
                return false;
        return true;
    }
    bool operator==(const AncestorFilter&) const = default;

private:
    static constexpr std::uint32_t kBits = 1024;
    // Three bits per name from a mixed hash: names that differ in one
    // character (never-1, never-2) must not share their bits.
    static std::array<std::uint32_t, 3> Probes(std::uint32_t hash)
    {
        std::uint64_t mixed = std::uint64_t(hash) * 0x9E3779B97F4A7C15ull;
        return {static_cast<std::uint32_t>(mixed >> 54),
                static_cast<std::uint32_t>(mixed >> 44) % kBits,
                static_cast<std::uint32_t>(mixed >> 34) % kBits};
    }

    std::array<std::uint64_t, kBits / 64> bits_{};
};

// The rules of one property set (all of them, or only those setting
// `display`) filed by their rightmost compound.
class RuleIndex
{
public:
    struct Rule
    {
        Selector selector;
        const std::vector<Declaration>* declarations;
        std::uint32_t order;
    };

    void Add(Rule rule);
    bool Empty() const { return rules_.empty(); }
    // Drops the kept ancestor filter (the tree changed).
    void ForgetAncestors() const { filterParent_ = filterGrandparent_ = nullptr; }
    // The matching rules, in cascade order (specificity, then source order).
    void Match(const Element& element, std::vector<const Rule*>& out) const;

private:
    struct Candidate;
    struct Bucket;
    const AncestorFilter& FilterFor(const Element& element) const;
    const std::vector<std::uint32_t>& Survivors(const Bucket& bucket,
                                                const AncestorFilter& filter) const;

    // A rule as its bucket files it: with up to three of the names its
    // selector needs among the element's ancestors kept beside it, so that
    // a bucket of rules that cannot match is passed over in one sweep of
    // memory, without visiting the rules.
    struct Candidate
    {
        std::uint32_t index;
        std::uint32_t nameCount;
        std::array<std::uint32_t, 3> names;
    };
    struct Bucket
    {
        std::vector<Candidate> candidates;
        std::vector<std::uint32_t> all; // their rule indexes
        bool needsAncestors = false;    // some candidate names an ancestor
    };
    // The rules of a bucket that pass an ancestor filter, kept for the last
    // few buckets asked about: elements at different places with the same
    // names above them (the cells of every row) pass the same rules, so the
    // bucket is swept once for all of them.
    struct SurvivorMemo
    {
        const Bucket* bucket = nullptr;
        AncestorFilter filter;
        std::uint64_t filterVersion = 0;
        std::vector<std::uint32_t> rules;
    };
    mutable std::array<SurvivorMemo, 4> memos_;
    mutable std::size_t nextMemo_ = 0;

    std::vector<Rule> rules_;
    // Looked up by views into the element's attributes, without copies.
    struct ViewHash
    {
        using is_transparent = void;
        std::size_t operator()(std::u16string_view text) const
        {
            return std::hash<std::u16string_view>()(text);
        }
    };
    using NameMap = std::unordered_map<std::u16string, Bucket, ViewHash, std::equal_to<>>;
    NameMap byId_;
    NameMap byClass_;
    std::unordered_map<std::string, Bucket> byTag_;
    Bucket others_;
    // Siblings share their ancestors: the filter of the last parent asked
    // about is kept (rows of a long table ask for the same one in turn).
    mutable const Element* filterParent_ = nullptr;
    mutable AncestorFilter filter_;
    mutable std::uint64_t filterVersion_ = 1; // counts the filters made
    // The filter of that parent's parent, from which a sibling of the
    // parent (the next row) gets its own with one step.
    mutable const Element* filterGrandparent_ = nullptr;
    mutable AncestorFilter grandFilter_;
};

class Cascade
{
public:
    Cascade(const Document& document, const MediaContext& media);
    // The rules of these STYLE elements only (a pasted fragment's).
    Cascade(const std::vector<Element*>& sheets, const MediaContext& media);
    Cascade(const Cascade&) = delete;
    Cascade& operator=(const Cascade&) = delete;

    bool Empty() const { return all_.Empty(); }
    // True when an @media query asked for the view's width: the cascade must
    // be made again when the width changes.
    bool DependsOnWidth() const { return dependsOnWidth_; }
    // True when a selector looks at an element's siblings (:first-child,
    // :nth-child, +, ~): a change of children can restyle their siblings.
    bool DependsOnSiblings() const { return dependsOnSiblings_; }

    // The declarations of the sheet rules that match the element, normal
    // ones first, important ones last, each group in cascade order. The
    // element's inline declarations go between the groups (the caller adds
    // them; see AppliedDeclarations).
    void Match(const Element& element, std::vector<const Declaration*>& normal,
               std::vector<const Declaration*>& important) const;

    // The "display" declaration of the sheets that wins for the element;
    // null when none sets it.
    const Declaration* DisplayDeclaration(const Element& element) const;
    bool SetsDisplay() const { return !display_.Empty(); }
    // To be called after the tree changed and before matching again.
    void ForgetAncestors() const
    {
        all_.ForgetAncestors();
        display_.ForgetAncestors();
    }

private:
    std::vector<std::unique_ptr<std::vector<Declaration>>> blocks_;
    RuleIndex all_;
    RuleIndex display_;
    bool dependsOnWidth_ = false;
    bool dependsOnSiblings_ = false;
};

// Everything that styles one element, in the order it applies (a later
// declaration of a property wins): sheet rules, inline style, important
// sheet rules, important inline style.
class AppliedDeclarations
{
public:
    AppliedDeclarations() = default;
    AppliedDeclarations(const Element& element, const Cascade* cascade);
    const std::vector<const Declaration*>& InOrder() const { return ordered_; }
    bool Empty() const { return ordered_.empty(); }

private:
    std::vector<Declaration> inline_;
    std::vector<const Declaration*> ordered_;
};

} // namespace vellum::html
