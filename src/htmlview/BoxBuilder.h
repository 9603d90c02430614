// Builds the box tree from the document: one box per block-level element,
// anonymous boxes for inline runs beside blocks, lines of inline blocks,
// list markers, table rows and cells, and the table parts browsers make up
// around cells and rows out of place. A rebuild of one box reuses its children that did not change,
// so inserting a paragraph into a long body builds one box, not all of them.
#pragma once

#include "htmlview/LayoutBox.h"

#include <memory>
#include <unordered_map>

namespace vellum::html {

class AppliedDeclarations;
enum class Display;
class Cascade;
class Element;
class ImageCache;
class Node;

// Which box answers for a node: block elements map to their box, the top
// nodes of an anonymous box's inline run to that box.
using BoxRegistry = std::unordered_map<const Node*, Box*>;

class BoxBuilder
{
public:
    // `cascade` (null: no style sheets) must outlive the builder.
    BoxBuilder(BoxRegistry& registry, ImageCache& images, const Cascade* cascade)
        : registry_(registry), images_(images), cascade_(cascade)
    {
    }

    // The whole tree for the BODY element.
    std::unique_ptr<Box> BuildRoot(Element& body, const LayoutStyle& style);

    // Builds the box's content again from its element (or its roots),
    // keeping the child boxes that are neither dirty nor restyled.
    void Rebuild(Box& box);

    // Forgets every registry entry of a box and its descendants.
    void Unregister(Box& box);

private:
    std::unique_ptr<Box> BuildElementBox(Element& element, Box& parent);
    std::unique_ptr<Box> BuildAnonymous(std::vector<Node*> roots, Box& parent);
    // `previous` is the box's inline content before a rebuild, whose
    // unchanged segments are kept.
    void BuildContent(Box& box, std::unordered_map<const Element*, std::unique_ptr<Box>>& reusable,
                      InlineContent* previous = nullptr);
    void BuildFlowChildren(Box& box, const std::vector<Node*>& nodes,
                           std::unordered_map<const Element*, std::unique_ptr<Box>>& reusable,
                           InlineContent* previous);
    void AppendInlineBlock(Box& box, Element& element, Box*& line, bool spaceBefore,
                           std::unordered_map<const Element*, std::unique_ptr<Box>>& reusable);
    void AppendLooseTablePart(Box& box, Element& element, Display display, Box*& table, Box*& row,
                              std::unordered_map<const Element*, std::unique_ptr<Box>>& reusable);
    void BuildTableRows(Box& table, Element& element,
                        std::unordered_map<const Element*, std::unique_ptr<Box>>& reusable);
    void BuildRowCells(Box& row,
                       std::unordered_map<const Element*, std::unique_ptr<Box>>& reusable);
    std::unique_ptr<Box>
    TakeOrBuild(Element& element, Box& parent,
                std::unordered_map<const Element*, std::unique_ptr<Box>>& reusable);
    void SetUpBlock(Box& box, const AppliedDeclarations& declarations);
    // A body with no text at all (only rules, empty tables) still needs a
    // line for the caret: an empty one after everything.
    void EnsureCaretPlace(Box& root);

    BoxRegistry& registry_;
    ImageCache& images_;
    const Cascade* cascade_;
};

// Numbers or bullets for the items of every list below `box` whose
// children are list items (cheap: no layout).
void AssignListMarkers(Box& list);

} // namespace vellum::html
