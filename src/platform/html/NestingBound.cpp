// A light pass over the markup before gumbo sees it: it follows start and
// end tags with a stack of open element names and leaves out the tags that
// would nest deeper than the bound. It knows the few rules that keep
// ordinary mail shallow (void elements, a new LI or cell closing the open
// one, a block closing an open P, raw text in SCRIPT and STYLE); where it
// cannot tell, it closes rather than opens, so it never cuts real markup
// short and a hostile body is still flattened by the tree builder.
#include "platform/html/NestingBound.h"

#include "platform/html/TagNameText.h"

#include <algorithm>
#include <initializer_list>
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

bool IsHeading(std::string_view name)
{
    return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6';
}

class NestingFilter
{
public:
    NestingFilter(std::string_view html, std::size_t maxDepth) : html_(html), maxDepth_(maxDepth)
    {
        out_.reserve(html.size());
    }

    std::string Run()
    {
        while (at_ < html_.size()) {
            std::size_t lt = html_.find('<', at_);
            if (lt == std::string_view::npos)
                break;
            Copy(at_, lt);
            at_ = lt;
            if (!Markup()) {
                Copy(at_, at_ + 1);
                ++at_;
            }
        }
        Copy(at_, html_.size());
        return std::move(out_);
    }

private:
    void Copy(std::size_t from, std::size_t to) { out_.append(html_.substr(from, to - from)); }

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
        std::string name(rest.substr(nameStart, nameEnd - nameStart));
        for (char& c : name)
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        std::size_t tagEnd = TagEnd(rest, nameEnd);
        if (tagEnd == std::string_view::npos) {
            Copy(at_, html_.size());
            at_ = html_.size();
            return true;
        }
        bool selfClosing = rest[tagEnd - 1] == '/';
        std::string_view tag = rest.substr(0, tagEnd + 1);
        at_ += tag.size();
        if (end)
            EndTag(name, tag);
        else
            StartTag(name, tag, selfClosing);
        return true;
    }

    // Copies up to `found` (an offset from at_) plus the marker's length, or
    // everything when the marker never comes.
    bool CopyThrough(std::size_t found, std::size_t markerLength)
    {
        std::size_t to =
            found == std::string_view::npos ? html_.size() : at_ + found + markerLength;
        Copy(at_, to);
        at_ = to;
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

    void StartTag(const std::string& name, std::string_view tag, bool selfClosing)
    {
        if (IsVoid(name) || IsDocumentLevel(name) || (selfClosing && foreign_ > 0)) {
            out_.append(tag);
            return;
        }
        CloseImplied(name);
        if (open_.size() >= maxDepth_) {
            ++dropped_[name];
        } else {
            out_.append(tag);
            Push(name);
        }
        if (IsRawText(name))
            SkipRawText(name);
    }

    void EndTag(const std::string& name, std::string_view tag)
    {
        auto dropped = dropped_.find(name);
        if (dropped != dropped_.end() && dropped->second > 0) {
            --dropped->second;
            return;
        }
        out_.append(tag);
        if (IsOpen(name))
            PopThrough({name}, {});
    }

    // The end tags a start tag implies, as the HTML parser applies them.
    void CloseImplied(const std::string& name)
    {
        if (ClosesParagraph(name) && IsOpen("p"))
            PopThrough({"p"}, {"table", "td", "th", "caption", "applet", "marquee", "object",
                               "template", "button", "html"});
        if (IsHeading(name) && !open_.empty() && IsHeading(open_.back()))
            Pop();
        if (name == "li")
            PopThrough({"li"}, {"ul", "ol", "table"});
        else if (name == "dt" || name == "dd")
            PopThrough({"dt", "dd"}, {"dl", "table"});
        else if (name == "td" || name == "th")
            PopThrough({"td", "th"}, {"tr", "table"});
        else if (name == "tr")
            PopThrough({"tr"}, {"table"});
        else if (name == "thead" || name == "tbody" || name == "tfoot")
            PopThrough({"thead", "tbody", "tfoot"}, {"table"});
        else if (name == "option" || name == "optgroup")
            PopThrough({"option", "optgroup"}, {"select"});
    }

    bool IsOpen(const std::string& name) const
    {
        auto found = openCount_.find(name);
        return found != openCount_.end() && found->second > 0;
    }

    // Pops through the topmost element named in `targets`, unless an element
    // named in `stops` lies above it.
    void PopThrough(std::initializer_list<std::string_view> targets,
                    std::initializer_list<std::string_view> stops)
    {
        bool anyOpen = std::any_of(targets.begin(), targets.end(),
                                   [&](std::string_view t) { return IsOpen(std::string(t)); });
        if (!anyOpen)
            return;
        for (std::size_t i = open_.size(); i-- > 0;) {
            const std::string& name = open_[i];
            if (IsOneOf(name, targets)) {
                while (open_.size() > i)
                    Pop();
                return;
            }
            if (IsOneOf(name, stops))
                return;
        }
    }

    void Push(const std::string& name)
    {
        open_.push_back(name);
        ++openCount_[name];
        if (name == "svg" || name == "math")
            ++foreign_;
    }

    void Pop()
    {
        const std::string& name = open_.back();
        --openCount_[name];
        if (name == "svg" || name == "math")
            --foreign_;
        open_.pop_back();
    }

    // Copies the content of a raw-text element up to its end tag, which is
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
        std::size_t to = end == std::string_view::npos || name == "plaintext" ? html_.size() : end;
        Copy(at_, to);
        at_ = to;
    }

    std::string_view html_;
    std::size_t maxDepth_;
    std::size_t at_ = 0;
    std::string out_;
    std::vector<std::string> open_;
    std::unordered_map<std::string, std::size_t> openCount_;
    std::unordered_map<std::string, std::size_t> dropped_;
    int foreign_ = 0;
};

} // namespace

std::string BoundNesting(std::string_view html, std::size_t maxDepth)
{
    return NestingFilter(html, maxDepth).Run();
}

} // namespace vellum::html
