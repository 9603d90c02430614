// Display classes by tag name, with the browser defaults of an HTML 4
// document; the "display" property is not consulted.
#include "htmlview/Display.h"

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

} // namespace

Display DisplayOf(const Node& node)
{
    if (node.IsText())
        return Display::Inline;
    if (!node.IsElement())
        return Display::None;
    return MemoizedDisplayOf(node.AsElement()->TagName());
}

bool IsBlockLevel(Display display)
{
    return display == Display::Block || display == Display::ListItem || display == Display::Rule ||
           display == Display::Table || display == Display::RowGroup || display == Display::Row ||
           display == Display::Cell;
}

bool HoldsBlock(const Node& node)
{
    for (const Node* child : node.Children()) {
        Display display = DisplayOf(*child);
        if (IsBlockLevel(display))
            return true;
        if (display == Display::Inline && child->IsElement() && HoldsBlock(*child))
            return true;
    }
    return false;
}

} // namespace vellum::html
