// An element's own inline declarations win over normal rules and lose to
// important ones, as in the cascade; the result is written in the editor's
// inline style form. Selectors that need the source page around the
// fragment (BODY P) cannot match here and are lost with it.
#include "html/PastedStyles.h"

#include "html/Cascade.h"
#include "html/InlineStyle.h"
#include "html/Node.h"

#include <algorithm>

namespace vellum::html {
namespace {

bool IsSheetOnly(const Node& node)
{
    if (!node.IsElement())
        return false;
    const std::string& tag = node.AsElement()->TagName();
    return tag == "STYLE" || tag == "META" || tag == "LINK" || tag == "TITLE";
}

void CollectSheets(const Node& node, std::vector<Element*>& sheets)
{
    for (Node* child : node.Children()) {
        if (child->IsElement() && child->AsElement()->TagName() == "STYLE")
            sheets.push_back(child->AsElement());
        else
            CollectSheets(*child, sheets);
    }
}

void InlineRules(Element& element, const Cascade& cascade)
{
    std::vector<const Declaration*> normal, important;
    cascade.Match(element, normal, important);
    if (!normal.empty() || !important.empty()) {
        InlineStyle style(element.GetAttribute("style").value_or(u""));
        InlineStyle written = style;
        for (const Declaration* declaration : normal)
            if (style.Get(declaration->property).empty())
                written.Set(declaration->property, declaration->value);
        for (const Declaration* declaration : important)
            written.Set(declaration->property, declaration->value);
        element.SetAttribute("style", written.ToText());
    }
}

void InlineBelow(Node& node, const Cascade& cascade)
{
    std::vector<Node*> children = node.Children();
    for (Node* child : children) {
        if (IsSheetOnly(*child)) {
            child->Remove();
            continue;
        }
        if (!child->IsElement())
            continue;
        InlineRules(*child->AsElement(), cascade);
        InlineBelow(*child, cascade);
    }
}

} // namespace

void InlinePastedStyles(std::vector<Node*>& nodes)
{
    std::vector<Element*> sheets;
    for (Node* node : nodes) {
        if (node->IsElement() && node->AsElement()->TagName() == "STYLE")
            sheets.push_back(node->AsElement());
        else
            CollectSheets(*node, sheets);
    }
    if (sheets.empty())
        return;
    Cascade cascade(sheets, MediaContext{});
    std::erase_if(nodes, [](Node* node) { return IsSheetOnly(*node); });
    for (Node* node : nodes) {
        if (!node->IsElement())
            continue;
        InlineRules(*node->AsElement(), cascade);
        InlineBelow(*node, cascade);
    }
}

} // namespace vellum::html
