// Display classes by tag name, with the browser defaults of an HTML 4
// document, then the "display" property where one is set.
#include "htmlview/Display.h"

#include "html/Cascade.h"
#include "html/InlineStyle.h"
#include "html/Node.h"

#include <string>
#include <string_view>
#include <unordered_map>

namespace vellum::html {
namespace {

bool IsHidden(std::string_view tag)
{
    return tag == "HEAD" || tag == "STYLE" || tag == "SCRIPT" || tag == "TITLE" || tag == "META" ||
           tag == "LINK" || tag == "NOSCRIPT" || tag == "TEMPLATE" || tag == "BASE" ||
           tag == "COLGROUP" || tag == "COL" || tag == "INPUT";
}

Display DisplayOfTag(std::string_view tag)
{
    if (IsHidden(tag))
        return Display::None;
    if (tag == "IMG")
        return Display::Image;
    if (tag == "BR")
        return Display::Break;
    if (tag == "HR")
        return Display::Rule;
    if (tag == "LI")
        return Display::ListItem;
    if (tag == "TABLE")
        return Display::Table;
    if (tag == "TBODY" || tag == "THEAD" || tag == "TFOOT")
        return Display::RowGroup;
    if (tag == "TR")
        return Display::Row;
    if (tag == "TD" || tag == "TH")
        return Display::Cell;
    if (IsBlockElement(tag))
        return Display::Block;
    return Display::Inline;
}

// Layout asks for the display of every element several times over, and a
// body uses few tag names: each is classified once per thread. Hostile mail
// can invent any number of names, so the memo stops growing at a bound.
Display MemoizedDisplayOf(const std::string& tag)
{
    // B, I, U, A: most of a formatted body's elements, classified here
    // without a hash. Of the one-letter names only P is a block.
    if (tag.size() == 1)
        return tag[0] == 'P' ? Display::Block : Display::Inline;
    constexpr std::size_t kMaxNames = 1024;
    thread_local std::unordered_map<std::string, Display> known;
    if (auto found = known.find(tag); found != known.end())
        return found->second;
    Display display = DisplayOfTag(tag);
    if (known.size() < kMaxNames)
        known.emplace(tag, display);
    return display;
}

bool ContainsWordDisplay(std::u16string_view text)
{
    static constexpr std::u16string_view kWord = u"display";
    for (std::size_t i = 0; i + kWord.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < kWord.size() && (text[i + k] | 0x20) == kWord[k])
            ++k;
        if (k == kWord.size())
            return true;
    }
    return false;
}

// The "display" value the element's inline style or the sheets give it.
std::u16string DisplayProperty(const Element& element, const Cascade* cascade)
{
    std::u16string value;
    bool important = false;
    if (const Declaration* rule = cascade ? cascade->DisplayDeclaration(element) : nullptr) {
        value = rule->value;
        important = rule->important;
    }
    const std::u16string* style = element.FindAttribute("style");
    if (!important && style && ContainsWordDisplay(*style))
        for (const Declaration& declaration : ReadDeclarations(*style))
            if (declaration.property == "display")
                value = declaration.value;
    return value;
}

bool IsTablePart(Display display)
{
    return display == Display::Table || display == Display::RowGroup || display == Display::Row ||
           display == Display::Cell;
}

Display WithProperty(Display byTag, std::u16string_view property)
{
    std::string value = AsciiFromUtf16(TrimSpace(property));
    for (char& c : value)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    if (value == "none")
        return Display::None;
    // A cell or a row made a block stacks under its neighbours at the
    // row's full width: how mail templates turn their columns into one on
    // narrow screens. Made inline blocks, they sit side by side and wrap.
    if ((byTag == Display::Cell || byTag == Display::Row) && value == "block")
        return Display::Block;
    if (value == "inline-block" && byTag != Display::RowGroup && byTag != Display::Table &&
        byTag != Display::Image && byTag != Display::Break && byTag != Display::Rule &&
        byTag != Display::None)
        return Display::InlineBlock;
    // Images, breaks and rules keep their own kind of box; the other parts
    // of a table keep theirs, since a row without cells has nothing to lay
    // out.
    if (byTag == Display::None || byTag == Display::Image || byTag == Display::Break ||
        byTag == Display::Rule || IsTablePart(byTag))
        return byTag;
    if (value == "inline" || value == "inline-table")
        return Display::Inline;
    if (value == "list-item")
        return Display::ListItem;
    // Blocks made table parts lay out as the table's own parts; a cell or a
    // row outside a table's parts stays a block (the box builder sees to it).
    if (byTag == Display::Block) {
        if (value == "table")
            return Display::Table;
        if (value == "table-row-group")
            return Display::RowGroup;
        if (value == "table-row")
            return Display::Row;
        if (value == "table-cell")
            return Display::Cell;
    }
    if (value == "block" || value == "table" || value == "table-row" || value == "table-cell" ||
        value == "flex" || value == "grid")
        return Display::Block;
    return byTag;
}

} // namespace

Display DisplayOf(const Node& node, const Cascade* cascade)
{
    if (node.IsText())
        return Display::Inline;
    if (!node.IsElement())
        return Display::None;
    const Element& element = *node.AsElement();
    Display byTag = MemoizedDisplayOf(element.TagName());
    if ((!cascade || !cascade->SetsDisplay()) && !element.FindAttribute("style"))
        return byTag;
    std::u16string property = DisplayProperty(element, cascade);
    return property.empty() ? byTag : WithProperty(byTag, property);
}

bool IsBlockLevel(Display display)
{
    return display == Display::Block || display == Display::ListItem || display == Display::Rule ||
           display == Display::Table || display == Display::RowGroup || display == Display::Row ||
           display == Display::Cell;
}

bool HoldsBlock(const Node& node, const Cascade* cascade)
{
    for (const Node* child : node.Children()) {
        Display display = DisplayOf(*child, cascade);
        if (IsBlockLevel(display))
            return true;
        bool inlineLevel = display == Display::Inline || display == Display::InlineBlock;
        if (inlineLevel && child->IsElement() && HoldsBlock(*child, cascade))
            return true;
    }
    return false;
}

} // namespace vellum::html
