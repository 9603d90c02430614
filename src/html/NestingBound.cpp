// A light pass over the markup before gumbo sees it: it follows start and
// end tags with a stack of open element names and leaves out the tags that
// would nest deeper than the bound. It knows the few rules that keep
// ordinary mail shallow (void elements, a new LI or cell closing the open
// one, a block closing an open P, raw text in SCRIPT and STYLE); where it
// cannot tell, it closes rather than opens, so it never cuts real markup
// short and a hostile body is still flattened by the tree builder.
//
// The same pass follows the list of active formatting elements (those left
// open, which the parser copies into every new paragraph or cell text) and
// leaves out a new one once the list is full; see kMaxOpenFormatting.
#include "html/NestingBound.h"

#include "html/TagNameText.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <unordered_map>
#include <vector>

namespace vellum::html {

namespace {

bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool IsVoid(std::string_view name)
{
    return IsOneOf(name, {"area", "base", "basefont", "bgsound", "br", "col", "embed", "frame",
                          "hr", "image", "img", "input", "keygen", "link", "meta", "param",
                          "source", "track", "wbr"});
}

// Elements gumbo makes once whatever the text says: never counted.
bool IsDocumentLevel(std::string_view name)
{
    return IsOneOf(name, {"html", "head", "body", "frameset"});
}

bool IsRawText(std::string_view name)
{
    return IsOneOf(name, {"script", "style", "textarea", "title", "xmp", "iframe", "noembed",
                          "noframes", "plaintext"});
}

// Start tags that close an open P in button scope.
bool ClosesParagraph(std::string_view name)
{
    return IsOneOf(
        name, {"address", "article", "aside",    "blockquote", "center", "details", "dialog", "dir",
               "div",     "dl",      "fieldset", "figcaption", "figure", "footer",  "form",   "h1",
               "h2",      "h3",      "h4",       "h5",         "h6",     "header",  "hgroup", "hr",
               "li",      "dd",      "dt",       "listing",    "main",   "menu",    "nav",    "ol",
               "p",       "pre",     "section",  "summary",    "table",  "ul"});
}

// The elements the parser keeps on its list of active formatting elements.
bool IsFormatting(std::string_view name)
{
    return IsOneOf(name, {"a", "b", "big", "code", "em", "font", "i", "nobr", "s", "small",
                          "strike", "strong", "tt", "u"});
}

// Elements that put a marker on that list: the entries after it go when
// the element closes.
bool IsFormattingMarker(std::string_view name)
{
    return IsOneOf(name, {"applet", "caption", "marquee", "object", "td", "th", "template"});
}

bool IsHeading(std::string_view name)
{
    return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6';
}

// The groups of elements a start tag closes (its targets), each with the
// elements that stop the search for an open one (its scope).
enum Group : unsigned {
    kParagraph = 0,
    kListItem,
    kDefinition,
    kCell,
    kRow,
    kSection,
    kOption,
    kGroupCount
};

struct GroupRule
{
    std::initializer_list<std::string_view> targets;
    std::initializer_list<std::string_view> stops;
};

const GroupRule& RuleOf(Group group)
{
    static const GroupRule rules[kGroupCount] = {
        {{"p"},
         {"table", "td", "th", "caption", "applet", "marquee", "object", "template", "button",
          "html"}},
        {{"li"}, {"ul", "ol", "table"}},
        {{"dt", "dd"}, {"dl", "table"}},
        {{"td", "th"}, {"tr", "table"}},
        {{"tr"}, {"table"}},
        {{"thead", "tbody", "tfoot"}, {"table"}},
        {{"option", "optgroup"}, {"select"}},
    };
    return rules[group];
}

// What the filter knows about one tag name, worked out once per name.
struct NameInfo
{
    std::string name; // lower case
    bool isVoid = false;
    bool documentLevel = false;
    bool rawText = false;
    bool closesParagraph = false;
    bool heading = false;
    bool foreign = false; // svg, math
    bool formatting = false;
    bool marker = false;
    unsigned targetOf = 0;   // bit per group the element belongs to
    unsigned stops = 0;      // bit per group whose search it stops
    int closes = -1;         // the group a start tag of it closes, if any
    std::size_t open = 0;    // how many are open
    std::size_t dropped = 0; // start tags left out, whose end tags go too
};

NameInfo DescribeName(std::string name)
{
    NameInfo info;
    info.isVoid = IsVoid(name);
    info.documentLevel = IsDocumentLevel(name);
    info.rawText = IsRawText(name);
    info.closesParagraph = ClosesParagraph(name);
    info.heading = IsHeading(name);
    info.foreign = name == "svg" || name == "math";
    info.formatting = IsFormatting(name);
    info.marker = IsFormattingMarker(name);
    for (unsigned group = 0; group < kGroupCount; ++group) {
        const GroupRule& rule = RuleOf(static_cast<Group>(group));
        if (IsOneOf(name, rule.targets)) {
            info.targetOf |= 1u << group;
            if (group != kParagraph)
                info.closes = static_cast<int>(group);
        }
        if (IsOneOf(name, rule.stops))
            info.stops |= 1u << group;
    }
    info.name = std::move(name);
    return info;
}

class NestingFilter
{
public:
    NestingFilter(std::string_view html, std::size_t maxDepth) : html_(html), maxDepth_(maxDepth) {}

    // The text without the dropped tags, or nothing when none was dropped.
    std::optional<std::string> Run()
    {
        while (at_ < html_.size()) {
            std::size_t lt = html_.find('<', at_);
            if (lt == std::string_view::npos)
                break;
            at_ = lt;
            if (!Markup())
                ++at_;
        }
        if (kept_ == 0) // nothing dropped
            return std::nullopt;
        out_.append(html_.substr(kept_));
        return std::move(out_);
    }

private:
    // Leaves out the tag just read (it ends at at_). Everything else passes
    // unchanged, so the text is copied only once a tag is dropped.
    void Drop(std::string_view tag)
    {
        const std::size_t start = at_ - tag.size();
        out_.append(html_.substr(kept_, start - kept_));
        kept_ = at_;
    }

    // Handles the markup at `at_`; false when '<' starts none (it is text).
    bool Markup()
    {
        std::string_view rest = html_.substr(at_);
        if (rest.starts_with("<!--"))
            return CopyThrough(rest.find("-->", 4), 3);
        if (rest.starts_with("<!") || rest.starts_with("<?"))
            return CopyThrough(rest.find('>'), 1);
        bool end = rest.size() > 1 && rest[1] == '/';
        std::size_t nameStart = end ? 2 : 1;
        if (rest.size() <= nameStart || !IsAsciiLetter(rest[nameStart]))
            return false;
        std::size_t nameEnd = nameStart;
        while (nameEnd < rest.size() && !IsTagNameEnd(rest[nameEnd]))
            ++nameEnd;
        std::size_t tagEnd = TagEnd(rest, nameEnd);
        if (tagEnd == std::string_view::npos) {
            at_ = html_.size();
            return true;
        }
        const std::size_t id = NameId(rest.substr(nameStart, nameEnd - nameStart));
        bool selfClosing = rest[tagEnd - 1] == '/';
        std::string_view tag = rest.substr(0, tagEnd + 1);
        at_ += tag.size();
        if (end)
            EndTag(id, tag);
        else
            StartTag(id, tag, rest.substr(nameEnd, tagEnd - nameEnd), selfClosing);
        return true;
    }

    // The number standing for a tag name, whatever its case.
    std::size_t NameId(std::string_view name)
    {
        scratch_.assign(name);
        for (char& c : scratch_)
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        auto [found, added] = ids_.try_emplace(scratch_, names_.size());
        if (added)
            names_.push_back(DescribeName(scratch_));
        return found->second;
    }

    // Passes up to `found` (an offset from at_) plus the marker's length, or
    // everything when the marker never comes.
    bool CopyThrough(std::size_t found, std::size_t markerLength)
    {
        at_ = found == std::string_view::npos ? html_.size() : at_ + found + markerLength;
        return true;
    }

    // The offset of the '>' that ends the tag, skipping quoted values.
    static std::size_t TagEnd(std::string_view rest, std::size_t from)
    {
        for (std::size_t i = from; i < rest.size(); ++i) {
            char c = rest[i];
            if (c == '>')
                return i;
            if (c != '=')
                continue;
            std::size_t value = rest.find_first_not_of(" \t\n\r\f", i + 1);
            if (value == std::string_view::npos)
                return value;
            if (rest[value] == '"' || rest[value] == '\'') {
                i = rest.find(rest[value], value + 1);
                if (i == std::string_view::npos)
                    return i;
            }
        }
        return std::string_view::npos;
    }

    // `attributes`: the tag's text after its name, as written.
    void StartTag(std::size_t id, std::string_view tag, std::string_view attributes,
                  bool selfClosing)
    {
        const NameInfo& info = names_[id];
        if (info.isVoid || info.documentLevel || (selfClosing && foreign_ > 0))
            return;
        CloseImplied(info);
        if (open_.size() >= maxDepth_ || !AdmitFormatting(id, attributes)) {
            ++names_[id].dropped;
            Drop(tag);
        } else {
            Push(id);
        }
        if (names_[id].rawText)
            SkipRawText(names_[id].name);
    }

    void EndTag(std::size_t id, std::string_view tag)
    {
        if (names_[id].dropped > 0) {
            --names_[id].dropped;
            Drop(tag);
            return;
        }
        if (names_[id].formatting)
            RemoveLatestFormatting(id);
        if (names_[id].open == 0)
            return;
        while (!open_.empty()) {
            const std::size_t top = open_.back();
            Pop();
            if (top == id)
                return;
        }
    }

    // Puts a formatting element's start tag on the list as the parser does
    // (a new A or NOBR first ends the one open, and of entries alike in tag
    // and attributes the parser keeps three, dropping the earliest); false
    // when the list is full and the tag is to be left out. Attributes count
    // as alike when written alike, so the count errs high only for the
    // alike entries a mail spells differently.
    bool AdmitFormatting(std::size_t id, std::string_view attributes)
    {
        if (!names_[id].formatting)
            return true;
        if (names_[id].name == "a" || names_[id].name == "nobr")
            RemoveLatestFormatting(id);
        const std::size_t start = AfterLastMarker();
        std::size_t alike = 0;
        std::size_t earliest = formatting_.size();
        for (std::size_t i = formatting_.size(); i-- > start;)
            if (formatting_[i].id == id && formatting_[i].attributes == attributes) {
                ++alike;
                earliest = i;
            }
        if (alike >= 3)
            formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(earliest));
        else if (formatting_.size() - start >= kMaxOpenFormatting)
            return false;
        formatting_.push_back({id, attributes});
        return true;
    }

    // The end tag of a formatting element takes the latest one of its name
    // off the list (if any since the last marker).
    void RemoveLatestFormatting(std::size_t id)
    {
        const std::size_t start = AfterLastMarker();
        for (std::size_t i = formatting_.size(); i-- > start;)
            if (formatting_[i].id == id) {
                formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(i));
                return;
            }
    }

    std::size_t AfterLastMarker() const
    {
        std::size_t i = formatting_.size();
        while (i > 0 && formatting_[i - 1].id != kMarker)
            --i;
        return i;
    }

    // The end tags a start tag implies, as the HTML parser applies them.
    void CloseImplied(const NameInfo& info)
    {
        if (info.closesParagraph)
            PopThrough(kParagraph);
        if (info.heading && !open_.empty() && names_[open_.back()].heading)
            Pop();
        if (info.closes >= 0)
            PopThrough(static_cast<Group>(info.closes));
    }

    // Pops through the topmost open element of the group, unless an element
    // that stops the group's search lies above it.
    void PopThrough(Group group)
    {
        if (groupOpen_[group] == 0)
            return;
        for (std::size_t i = open_.size(); i-- > 0;) {
            const NameInfo& info = names_[open_[i]];
            if (info.targetOf & (1u << group)) {
                while (open_.size() > i)
                    Pop();
                return;
            }
            if (info.stops & (1u << group))
                return;
        }
    }

    void Push(std::size_t id)
    {
        NameInfo& info = names_[id];
        open_.push_back(id);
        ++info.open;
        foreign_ += info.foreign ? 1 : 0;
        for (unsigned group = 0; group < kGroupCount; ++group)
            groupOpen_[group] += (info.targetOf >> group) & 1u;
        if (info.marker)
            formatting_.push_back({kMarker, {}});
    }

    void Pop()
    {
        NameInfo& info = names_[open_.back()];
        --info.open;
        foreign_ -= info.foreign ? 1 : 0;
        for (unsigned group = 0; group < kGroupCount; ++group)
            groupOpen_[group] -= (info.targetOf >> group) & 1u;
        open_.pop_back();
        if (info.marker) {
            const std::size_t start = AfterLastMarker();
            formatting_.resize(start > 0 ? start - 1 : 0);
        }
    }

    // Passes the content of a raw-text element up to its end tag, which is
    // then handled as any end tag.
    void SkipRawText(const std::string& name)
    {
        std::size_t end = at_;
        while (name != "plaintext") {
            end = html_.find("</", end);
            if (end == std::string_view::npos)
                break;
            std::string_view candidate = html_.substr(end + 2, name.size());
            bool same = candidate.size() == name.size() &&
                        std::equal(candidate.begin(), candidate.end(), name.begin(),
                                   [](char a, char b) { return (a | 0x20) == b; });
            if (same && (end + 2 + name.size() >= html_.size() ||
                         IsTagNameEnd(html_[end + 2 + name.size()])))
                break;
            end += 2;
        }
        at_ = end == std::string_view::npos || name == "plaintext" ? html_.size() : end;
    }

    std::string_view html_;
    std::size_t maxDepth_;
    std::size_t at_ = 0;
    std::size_t kept_ = 0; // where the text not yet in out_ starts
    std::string out_;
    std::string scratch_;
    std::unordered_map<std::string, std::size_t> ids_;
    std::vector<NameInfo> names_; // by id
    std::vector<std::size_t> open_;
    std::size_t groupOpen_[kGroupCount] = {};
    int foreign_ = 0;
    // The list of active formatting elements as the parser will have it:
    // entries by name id, with their attribute text, and markers.
    struct FormattingEntry
    {
        std::size_t id;
        std::string_view attributes; // into html_
    };
    static constexpr std::size_t kMarker = static_cast<std::size_t>(-1);
    std::vector<FormattingEntry> formatting_;
};

} // namespace

void BoundNesting(std::string& html, std::size_t maxDepth)
{
    if (std::optional<std::string> bounded = NestingFilter(html, maxDepth).Run())
        html.swap(*bounded);
}

} // namespace vellum::html
