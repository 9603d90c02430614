// Box construction. Block defaults follow the usual browser style sheet
// (P and lists with a one-em margin, forty pixels of list indentation, an
// eight-pixel BODY margin); table attributes follow HTML 4.
#include "htmlview/BoxBuilder.h"

#include "html/Cascade.h"
#include "html/InlineStyle.h"
#include "html/Node.h"
#include "htmlview/BoxDeclarations.h"
#include "htmlview/Display.h"
#include "htmlview/InlineLayout.h"

#include <QFontMetricsF>

#include <algorithm>
#include <array>
#include <optional>

namespace vellum::html {
namespace {

using Reusable = std::unordered_map<const Element*, std::unique_ptr<Box>>;

constexpr qreal kBodyMargin = 8;
constexpr qreal kListIndent = 40;

bool IsList(const Element* element)
{
    if (!element)
        return false;
    const std::string& tag = element->TagName();
    return tag == "UL" || tag == "OL" || tag == "MENU" || tag == "DIR";
}

bool InsideList(const Box& box)
{
    for (const Box* b = box.parent; b; b = b->parent) {
        if (b->element && (IsList(b->element) || b->element->TagName() == "LI"))
            return true;
    }
    return false;
}

qreal AttributeLength(const Element& element, const char* name, qreal fallback)
{
    auto value = element.FindAttribute(name);
    if (!value)
        return fallback;
    if (TrimSpace(*value).empty())
        return fallback;
    qreal length = ParseLength(*value, 0, -1);
    return length >= 0 ? length : fallback;
}

// A width attribute: pixels, or a percentage of the container (a width
// property overrides it later).
void ReadWidth(const Element& element, qreal& pixels, qreal& percent)
{
    std::u16string value = element.GetAttribute("width").value_or(u"");
    std::u16string_view text = TrimSpace(value);
    if (text.empty())
        return;
    if (text.back() == u'%') {
        qreal p = ParseLength(text.substr(0, text.size() - 1), 0, 0);
        if (p >= 0)
            percent = p;
        return;
    }
    qreal px = ParseLength(text, 0, 0);
    if (px >= 0)
        pixels = px;
}

int AttributeInt(const Element& element, const char* name, int fallback)
{
    auto value = element.FindAttribute(name);
    if (!value)
        return fallback;
    std::string digits = AsciiFromUtf16(TrimSpace(*value));
    try {
        return std::stoi(digits);
    } catch (...) {
        return fallback;
    }
}

void SetUpTable(Box& box)
{
    Element& e = *box.element;
    auto info = std::make_unique<TableInfo>();
    if (auto border = e.FindAttribute("border"))
        info->border = TrimSpace(*border).empty() ? 1 : std::max(0, AttributeInt(e, "border", 1));
    // One pixel inside cells is TABLE's own; an element made a table by its
    // style has none. The spacing between cells is in the style.
    bool tableTag = e.TagName() == "TABLE";
    info->columnSpacing = box.style.columnSpacing;
    info->rowSpacing = box.style.rowSpacing;
    info->padding = std::max<qreal>(0, AttributeLength(e, "cellpadding", tableTag ? 1 : 0));
    ReadWidth(e, info->specifiedWidth, info->percentWidth);
    if (qreal height = AttributeLength(e, "height", -1); height > 0)
        box.specifiedHeight = height; // a least height, rows share the rest
    box.border = {info->border, info->border, info->border, info->border};
    box.insetBorder = false;
    box.borderColor = QColor(128, 128, 128);
    if (auto color = e.FindAttribute("bordercolor")) {
        QColor c = ParseColor(*color);
        if (c.isValid())
            box.borderColor = c;
    }
    box.table = std::move(info);
}

bool IsCellTag(const Element& element)
{
    return element.TagName() == "TD" || element.TagName() == "TH";
}

// The padding a TD or TH gets from the TABLE element it belongs to when it
// is not one of that table's cells (made a block, an inline block, or a
// cell of a table made up around it): its CELLPADDING, else the pixel
// browsers give every cell.
qreal CellPaddingAround(const Box& box)
{
    if (!box.element || !IsCellTag(*box.element))
        return 0;
    for (const Box* b = box.parent; b; b = b->parent)
        if (b->table && b->element && b->element->TagName() == "TABLE")
            return b->table->padding;
    return 1;
}

void SetUpCell(Box& box)
{
    Element& e = *box.element;
    auto info = std::make_unique<CellInfo>();
    info->colSpan = std::clamp(AttributeInt(e, "colspan", 1), 1, 1000);
    info->rowSpan = std::clamp(AttributeInt(e, "rowspan", 1), 1, 1000);
    ReadWidth(e, info->specifiedWidth, info->percentWidth);
    box.cell = std::move(info);
    if (auto height = e.FindAttribute("height")) {
        qreal px = ParseLength(*height, 0, -1);
        if (px > 0)
            box.specifiedHeight = px;
    }
    const Box* table = box.parent ? box.parent->parent : nullptr;
    if (table && table->table) {
        qreal p = table->element ? table->table->padding : CellPaddingAround(box);
        box.padding = {p, p, p, p};
        qreal b = table->table->border > 0 ? 1 : 0;
        box.border = {b, b, b, b};
        box.borderColor = table->borderColor;
    }
}

void SetUpRule(Box& box)
{
    Element& e = *box.element;
    box.margin.top = box.margin.bottom = 8;
    qreal size = std::max<qreal>(1, AttributeLength(e, "size", 2));
    box.border = {1, 1, size - 1, 1};
    box.insetBorder = !e.HasAttribute("noshade");
    box.borderColor = QColor(160, 160, 160);
    if (auto color = e.FindAttribute("color")) {
        QColor c = ParseColor(*color);
        if (c.isValid()) {
            box.borderColor = c;
            box.insetBorder = false;
        }
    }
    ReadWidth(e, box.specifiedWidth, box.percentWidth);
}

// A box of the kind browsers make up where a table part stands without its
// own parent (cells straight in a table, blocks in a row).
std::unique_ptr<Box> AnonymousTablePart(BoxKind kind, Box& parent)
{
    auto box = std::make_unique<Box>();
    box->kind = kind;
    box->parent = &parent;
    box->style = parent.style;
    box->style.background = QColor();
    return box;
}

// A table browsers make up around cells or rows standing in a flow (a row
// made a block holding its cells), with the spacing its parent inherits.
std::unique_ptr<Box> AnonymousTable(Box& parent)
{
    auto box = AnonymousTablePart(BoxKind::Table, parent);
    box->table = std::make_unique<TableInfo>();
    box->table->columnSpacing = parent.style.columnSpacing;
    box->table->rowSpacing = parent.style.rowSpacing;
    box->table->padding = 0;
    return box;
}

// The cell browsers make up in a row around what is no cell there: blocks
// stacked, inline blocks side by side.
std::unique_ptr<Box> AnonymousCell(Box& row)
{
    auto cell = AnonymousTablePart(BoxKind::Cell, row);
    cell->cell = std::make_unique<CellInfo>();
    cell->cell->verticalAlign = CellAlign::Top;
    return cell;
}

bool IsWhiteSpaceText(const Node& node)
{
    return node.IsText() && TrimSpace(node.AsCharacterData()->Data()).empty();
}

// The width of the space between two inline blocks on a line.
qreal SpaceWidth(const LayoutStyle& style)
{
    if (style.pixelSize <= 0)
        return 0;
    return QFontMetricsF(FontFor(style)).horizontalAdvance(QChar(u' ')) + style.letterSpacing;
}

// Inline blocks get boxes of their own when nothing but blocks and white
// space stands beside them (columns, cards, a button alone in its cell);
// among text they lay out as their content.
bool InlineBlocksStandApart(const std::vector<Node*>& nodes, const std::vector<Display>& displays,
                            bool preformatted)
{
    if (std::find(displays.begin(), displays.end(), Display::InlineBlock) == displays.end())
        return false;
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (displays[i] != Display::InlineBlock && displays[i] != Display::None &&
            !IsBlockLevel(displays[i]) && !(IsWhiteSpaceText(*nodes[i]) && !preformatted))
            return false;
    return true;
}

bool HasLines(const Box& box)
{
    if (box.inlines)
        return true;
    return std::any_of(box.children.begin(), box.children.end(),
                       [](auto& child) { return HasLines(*child); });
}

} // namespace

void BoxBuilder::SetUpBlock(Box& box, const AppliedDeclarations& declarations)
{
    box.margin = box.border = box.padding = {};
    box.specifiedWidth = box.percentWidth = box.specifiedHeight = box.maxWidth = -1;
    box.autoMarginLeft = box.autoMarginRight = box.flatBorders = false;
    box.inlineAlign = CellAlign::Unset;
    box.sideLines = {};
    box.percentSides.reset();
    box.marker.clear();
    box.table.reset();
    box.cell.reset();
    if (!box.element)
        return;
    const std::string& tag = box.element->TagName();
    qreal em = box.style.pixelSize;
    if (tag == "BODY") {
        box.margin = {kBodyMargin, kBodyMargin, kBodyMargin, kBodyMargin};
    } else if (tag == "P" || tag == "DL" || tag == "PRE" || tag == "XMP" || tag == "LISTING") {
        box.margin.top = box.margin.bottom = em;
    } else if (tag.size() == 2 && tag[0] == 'H' && tag[1] >= '1' && tag[1] <= '6') {
        static constexpr std::array<qreal, 6> kMargins = {0.67, 0.83, 1, 1.33, 1.67, 2.33};
        box.margin.top = box.margin.bottom =
            std::round(em * kMargins[static_cast<std::size_t>(tag[1] - '1')]);
    } else if (tag == "BLOCKQUOTE") {
        box.margin = {em, kListIndent, em, kListIndent};
    } else if (IsList(box.element)) {
        if (!InsideList(box))
            box.margin.top = box.margin.bottom = em;
        box.padding.left = kListIndent;
    } else if (tag == "DD") {
        box.margin.left = kListIndent;
    } else if (tag == "LI" && !IsList(box.parent ? box.parent->element : nullptr) &&
               !(box.parent && box.parent->kind == BoxKind::InlineRun)) {
        // An item made an inline block has no marker, as in browsers.
        box.marker = QStringLiteral("\u2022");
    }
    switch (box.kind) {
    case BoxKind::Table:
        SetUpTable(box);
        break;
    case BoxKind::Cell:
        SetUpCell(box);
        break;
    case BoxKind::Rule:
        SetUpRule(box);
        break;
    default:
        break;
    }
    if (box.kind == BoxKind::Flow) {
        ReadWidth(*box.element, box.specifiedWidth, box.percentWidth);
        qreal p = CellPaddingAround(box);
        box.padding = {p, p, p, p};
    }
    ApplyBoxDeclarations(box, declarations);
    const Box* table = box.cell && box.parent ? box.parent->parent : nullptr;
    if (table && table->table && table->table->collapse)
        box.border = {box.border.top / 2, box.border.right / 2, box.border.bottom / 2,
                      box.border.left / 2};
}

std::unique_ptr<Box> BoxBuilder::BuildRoot(Element& body, const LayoutStyle& style)
{
    auto box = std::make_unique<Box>();
    box->element = &body;
    box->style = style;
    registry_[&body] = box.get();
    SetUpBlock(*box, AppliedDeclarations(body, cascade_));
    Reusable none;
    BuildContent(*box, none);
    EnsureCaretPlace(*box);
    return box;
}

void BoxBuilder::EnsureCaretPlace(Box& root)
{
    if (root.inlines || HasLines(root))
        return;
    root.children.push_back(BuildAnonymous({}, root));
}

std::unique_ptr<Box> BoxBuilder::BuildElementBox(Element& element, Box& parent)
{
    auto box = std::make_unique<Box>();
    box->element = &element;
    box->parent = &parent;
    AppliedDeclarations declarations(element, cascade_);
    box->style = StyleFor(element, parent.style, declarations);
    switch (DisplayOf(element, cascade_)) {
    case Display::Rule:
        box->kind = BoxKind::Rule;
        break;
    case Display::Table:
        box->kind = BoxKind::Table;
        break;
    case Display::Row:
        box->kind = parent.kind == BoxKind::Table ? BoxKind::Row : BoxKind::Flow;
        break;
    case Display::Cell:
        box->kind = parent.kind == BoxKind::Row ? BoxKind::Cell : BoxKind::Flow;
        break;
    default:
        box->kind = BoxKind::Flow;
        break;
    }
    registry_[&element] = box.get();
    SetUpBlock(*box, declarations);
    Reusable none;
    BuildContent(*box, none);
    return box;
}

std::unique_ptr<Box> BoxBuilder::BuildAnonymous(std::vector<Node*> roots, Box& parent)
{
    auto box = std::make_unique<Box>();
    box->parent = &parent;
    box->style = parent.style;
    box->style.background = QColor();
    box->roots = std::move(roots);
    for (Node* root : box->roots)
        registry_[root] = box.get();
    box->inlines = BuildInlineContent(box->roots, box->style, images_, cascade_);
    return box;
}

std::unique_ptr<Box> BoxBuilder::TakeOrBuild(Element& element, Box& parent, Reusable& reusable)
{
    if (auto it = reusable.find(&element); it != reusable.end()) {
        std::unique_ptr<Box> box = std::move(it->second);
        reusable.erase(it);
        box->parent = &parent;
        return box;
    }
    return BuildElementBox(element, parent);
}

void BoxBuilder::BuildContent(Box& box, Reusable& reusable, InlineContent* previous)
{
    if (box.kind == BoxKind::Rule)
        return;
    if (box.kind == BoxKind::Table) {
        BuildTableRows(box, *box.element, reusable);
        return;
    }
    if (box.kind == BoxKind::Row) {
        BuildRowCells(box, reusable);
        return;
    }
    if (!box.element) {
        box.inlines = BuildInlineContent(box.roots, box.style, images_, cascade_, previous);
        return;
    }
    BuildFlowChildren(box, box.element->Children(), reusable, previous);
    if (IsList(box.element))
        AssignListMarkers(box);
}

void BoxBuilder::BuildFlowChildren(Box& box, const std::vector<Node*>& nodes, Reusable& reusable,
                                   InlineContent* previous)
{
    std::vector<Display> displays(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i)
        displays[i] = DisplayOf(*nodes[i], cascade_);
    bool inlineBlocksApart = InlineBlocksStandApart(nodes, displays, box.style.preformatted);
    std::vector<bool> blockLevel(nodes.size());
    bool anyBlock = false;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        Display display = displays[i];
        bool inlineLevel =
            display == Display::Inline || (display == Display::InlineBlock && !inlineBlocksApart);
        blockLevel[i] = IsBlockLevel(display) ||
                        (display == Display::InlineBlock && inlineBlocksApart) ||
                        (inlineLevel && nodes[i]->IsElement() && HoldsBlock(*nodes[i], cascade_));
        anyBlock = anyBlock || blockLevel[i];
    }
    if (!anyBlock) {
        box.inlines = BuildInlineContent(nodes, box.style, images_, cascade_, previous);
        return;
    }
    std::vector<Node*> run;
    bool runVisible = false;
    Box* inlineBlocks = nullptr; // the line of inline blocks being filled
    bool spaceBefore = false;
    Box* looseTable = nullptr; // what browsers make up around cells and rows here
    Box* looseRow = nullptr;
    auto flushRun = [&] {
        if (runVisible)
            box.children.push_back(BuildAnonymous(std::move(run), box));
        run.clear();
        runVisible = false;
    };
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        Node* node = nodes[i];
        Display display = displays[i];
        if (!blockLevel[i]) {
            if (display == Display::None)
                continue;
            spaceBefore = spaceBefore || IsWhiteSpaceText(*node);
            run.push_back(node);
            if (node->IsText()) {
                const std::u16string& data = node->AsCharacterData()->Data();
                runVisible = runVisible || !TrimSpace(data).empty() || box.style.preformatted;
            } else {
                runVisible = true;
            }
            continue;
        }
        flushRun();
        Element& element = *node->AsElement();
        if (display == Display::InlineBlock) {
            looseTable = looseRow = nullptr;
            AppendInlineBlock(box, element, inlineBlocks, spaceBefore, reusable);
            spaceBefore = false;
            continue;
        }
        inlineBlocks = nullptr;
        if (display == Display::Cell || display == Display::Row) {
            AppendLooseTablePart(box, element, display, looseTable, looseRow, reusable);
            continue;
        }
        looseTable = looseRow = nullptr;
        // A table's caption is laid out as a block of its own above it.
        if (display == Display::Table) {
            for (Node* part : node->Children())
                if (part->IsElement() && part->AsElement()->TagName() == "CAPTION")
                    box.children.push_back(TakeOrBuild(*part->AsElement(), box, reusable));
        }
        box.children.push_back(TakeOrBuild(element, box, reusable));
    }
    flushRun();
}

// Starts a line of inline blocks in `box` unless `line` is one already,
// and puts the element's box on it.
void BoxBuilder::AppendInlineBlock(Box& box, Element& element, Box*& line, bool spaceBefore,
                                   Reusable& reusable)
{
    bool first = !line;
    if (first) {
        box.children.push_back(AnonymousTablePart(BoxKind::InlineRun, box));
        line = box.children.back().get();
    }
    line->children.push_back(TakeOrBuild(element, *line, reusable));
    line->children.back()->spaceBefore = !first && spaceBefore ? SpaceWidth(box.style) : 0;
}

// Puts a cell or a row standing in a flow into the table made up around
// it (`table`, and `row` for cells), starting them where needed.
void BoxBuilder::AppendLooseTablePart(Box& box, Element& element, Display display, Box*& table,
                                      Box*& row, Reusable& reusable)
{
    if (!table) {
        box.children.push_back(AnonymousTable(box));
        table = box.children.back().get();
    }
    if (display == Display::Row) {
        row = nullptr;
        table->children.push_back(TakeOrBuild(element, *table, reusable));
        return;
    }
    if (!row) {
        table->children.push_back(AnonymousTablePart(BoxKind::Row, *table));
        row = table->children.back().get();
    }
    row->children.push_back(TakeOrBuild(element, *row, reusable));
}

// What is no cell in a row (cells made blocks or inline blocks, other
// blocks) goes into one anonymous cell per run, as browsers wrap it.
void BoxBuilder::BuildRowCells(Box& row, Reusable& reusable)
{
    std::vector<Node*> loose;
    auto flushLoose = [&] {
        if (loose.empty())
            return;
        row.children.push_back(AnonymousCell(row));
        BuildFlowChildren(*row.children.back(), loose, reusable, nullptr);
        loose.clear();
    };
    for (Node* child : row.element->Children()) {
        Display display = DisplayOf(*child, cascade_);
        if (display == Display::Cell) {
            flushLoose();
            row.children.push_back(TakeOrBuild(*child->AsElement(), row, reusable));
        } else if (IsBlockLevel(display) || display == Display::InlineBlock) {
            loose.push_back(child);
        }
    }
    flushLoose();
}

void BoxBuilder::BuildTableRows(Box& table, Element& element, Reusable& reusable)
{
    Box* looseRow = nullptr; // cells straight in the table share one
    // Rows made blocks or inline blocks, and other blocks, where rows
    // belong: one made-up row and cell holds each run of them. The caption
    // is laid out above the table by its parent.
    std::vector<Node*> loose;
    auto flushLoose = [&] {
        if (loose.empty())
            return;
        table.children.push_back(AnonymousTablePart(BoxKind::Row, table));
        Box& row = *table.children.back();
        row.children.push_back(AnonymousCell(row));
        BuildFlowChildren(*row.children.back(), loose, reusable, nullptr);
        loose.clear();
    };
    for (Node* child : element.Children()) {
        Display display = DisplayOf(*child, cascade_);
        bool tablePart =
            display == Display::Cell || display == Display::Row || display == Display::RowGroup;
        bool caption = child->IsElement() && child->AsElement()->TagName() == "CAPTION";
        if (!tablePart && !caption && (IsBlockLevel(display) || display == Display::InlineBlock)) {
            looseRow = nullptr;
            loose.push_back(child);
            continue;
        }
        if (tablePart)
            flushLoose();
        if (display == Display::Cell) {
            if (!looseRow) {
                table.children.push_back(AnonymousTablePart(BoxKind::Row, table));
                looseRow = table.children.back().get();
            }
            looseRow->children.push_back(TakeOrBuild(*child->AsElement(), *looseRow, reusable));
            continue;
        }
        looseRow = nullptr;
        if (display == Display::Row) {
            table.children.push_back(TakeOrBuild(*child->AsElement(), table, reusable));
        } else if (display == Display::RowGroup) {
            // Row groups have no box: a change in one relays out the table.
            registry_[child] = &table;
            BuildTableRows(table, *child->AsElement(), reusable);
        }
    }
    flushLoose();
}

void BoxBuilder::Rebuild(Box& box)
{
    Reusable reusable;
    for (auto& child : box.children) {
        if (child->element && !child->dirty && !child->restyle && !box.restyle)
            reusable.emplace(child->element, std::move(child));
        else
            Unregister(*child);
    }
    box.children.clear();
    std::unique_ptr<InlineContent> previous = std::move(box.inlines);
    std::optional<AppliedDeclarations> declarations;
    if (box.element)
        declarations.emplace(*box.element, cascade_);
    if (box.element && box.parent)
        box.style = StyleFor(*box.element, box.parent->style, *declarations);
    box.dirty = box.restyle = false;
    SetUpBlock(box, declarations ? *declarations : AppliedDeclarations());
    BuildContent(box, reusable, previous.get());
    for (auto& [element, child] : reusable)
        Unregister(*child);
    if (box.element && box.element->TagName() == "LI" && box.parent)
        AssignListMarkers(*box.parent);
    if (!box.parent)
        EnsureCaretPlace(box);
}

void BoxBuilder::Unregister(Box& box)
{
    auto drop = [&](const Node* node) {
        auto it = registry_.find(node);
        if (it != registry_.end() && it->second == &box)
            registry_.erase(it);
    };
    if (box.element) {
        drop(box.element);
        if (box.kind == BoxKind::Table) {
            for (const Node* child : box.element->Children())
                drop(child);
        }
    }
    for (const Node* root : box.roots)
        drop(root);
    for (auto& child : box.children)
        Unregister(*child);
}

} // namespace vellum::html
