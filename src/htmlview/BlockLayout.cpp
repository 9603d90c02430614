// Flow layout of blocks. Vertical margins of adjacent siblings collapse to
// the larger one; the first and last child's margins stay inside the
// parent, which only differs from a browser when the parent paints a
// background.
#include "htmlview/BlockLayout.h"

#include "html/Node.h"
#include "htmlview/InlineLayout.h"
#include "htmlview/TextLines.h"

#include <algorithm>

namespace vellum::html {
namespace {

qreal BoxWidth(const Box& box, qreal containingWidth)
{
    qreal insets = box.border.Horizontal() + box.padding.Horizontal();
    qreal width = containingWidth - box.margin.Horizontal();
    if (box.percentWidth >= 0)
        width = std::min(width, containingWidth * box.percentWidth / 100);
    else if (box.specifiedWidth >= 0)
        width = box.specifiedWidth + (box.kind == BoxKind::Rule ? 0 : insets);
    if (box.maxWidth >= 0)
        width = std::min(width, box.maxWidth + insets);
    return std::max(width, insets);
}

// Rules and blocks narrower than their container follow its alignment.
qreal AlignedX(const Box& parent, const Box& child, qreal contentLeft, qreal contentWidth)
{
    qreal spare = contentWidth - child.margin.Horizontal() - child.width;
    if (spare > 0 && (child.autoMarginLeft || child.autoMarginRight)) {
        // "margin: auto" shares the spare room between the auto sides.
        qreal share = child.autoMarginLeft && child.autoMarginRight ? spare / 2
                      : child.autoMarginLeft                        ? spare
                                                                    : 0;
        return contentLeft + child.margin.left + share;
    }
    if (spare <= 0 || child.kind == BoxKind::Flow)
        return contentLeft + child.margin.left;
    TextAlign align = child.kind == BoxKind::Rule ? TextAlign::Center : TextAlign::Left;
    if (child.element) {
        auto attribute = child.element->FindAttribute("align");
        if (attribute) {
            QString value = QString::fromStdU16String(*attribute).trimmed().toLower();
            align = value == "center"  ? TextAlign::Center
                    : value == "right" ? TextAlign::Right
                                       : TextAlign::Left;
        } else if (child.kind == BoxKind::Table && parent.style.align == TextAlign::Center) {
            // Old browsers centre a table inside a centred block too.
            align = TextAlign::Center;
        }
    }
    if (align == TextAlign::Center)
        return contentLeft + child.margin.left + spare / 2;
    if (align == TextAlign::Right)
        return contentLeft + child.margin.left + spare;
    return contentLeft + child.margin.left;
}

// A flow box with no border or padding on a side shares its margin there
// with its first (last) child, as browsers collapse them.
bool CollapsesTop(const Box& box)
{
    return box.kind == BoxKind::Flow && !box.inlines && !box.children.empty() &&
           box.border.top == 0 && box.padding.top == 0;
}

bool CollapsesBottom(const Box& box)
{
    return box.kind == BoxKind::Flow && !box.inlines && !box.children.empty() &&
           box.border.bottom == 0 && box.padding.bottom == 0 && box.specifiedHeight < 0;
}

qreal ContentOverflow(const Box& box)
{
    qreal right = 0;
    if (box.inlines) {
        qreal left = box.border.left + box.padding.left;
        for (std::size_t i = 0; i < box.inlines->lines.size(); ++i)
            right = std::max(right,
                             left + LineAt(*box.inlines, static_cast<int>(i)).naturalTextWidth());
    }
    for (const auto& child : box.children)
        right = std::max(right, child->x + child->overflowRight);
    return right;
}

// Percentages of margins and padding, of the containing block's width.
void ResolvePercentSides(Box& box, qreal containingWidth)
{
    if (!box.percentSides)
        return;
    auto resolve = [&](const std::array<qreal, 4>& percents, Edges& edges) {
        qreal* sides[] = {&edges.top, &edges.right, &edges.bottom, &edges.left};
        for (std::size_t side = 0; side < percents.size(); ++side)
            if (percents[side] >= 0)
                *sides[side] = containingWidth * percents[side] / 100;
    };
    resolve(box.percentSides->margin, box.margin);
    resolve(box.percentSides->padding, box.padding);
}

} // namespace

qreal OuterTopMargin(const Box& box)
{
    qreal margin = box.margin.top;
    if (CollapsesTop(box))
        margin = std::max(margin, OuterTopMargin(*box.children.front()));
    return margin;
}

qreal OuterBottomMargin(const Box& box)
{
    qreal margin = box.margin.bottom;
    if (CollapsesBottom(box))
        margin = std::max(margin, OuterBottomMargin(*box.children.back()));
    return margin;
}

void PlaceChildren(Box& box)
{
    if (box.kind == BoxKind::Table) {
        PlaceTableRows(box);
        return;
    }
    qreal insetsTop = box.border.top + box.padding.top;
    qreal insetsBottom = box.border.bottom + box.padding.bottom;
    if (box.kind == BoxKind::InlineRun) {
        PlaceInlineBlocks(box);
    } else if (box.inlines) {
        box.height = insetsTop + box.inlines->height + insetsBottom;
    } else {
        qreal contentLeft = box.border.left + box.padding.left;
        qreal contentWidth = box.width - box.border.Horizontal() - box.padding.Horizontal();
        qreal y = insetsTop;
        qreal pendingMargin = 0;
        bool first = true;
        for (auto& child : box.children) {
            qreal top = OuterTopMargin(*child);
            if (first)
                y += CollapsesTop(box) ? 0 : top;
            else
                y += std::max(pendingMargin, top);
            first = false;
            child->x = AlignedX(box, *child, contentLeft, contentWidth);
            child->y = y;
            y += child->height;
            pendingMargin = OuterBottomMargin(*child);
        }
        box.height = y + (CollapsesBottom(box) ? 0 : pendingMargin) + insetsBottom;
    }
    if (box.specifiedHeight >= 0)
        box.height = std::max(box.height, box.specifiedHeight);
    box.naturalHeight = box.height;
    box.overflowRight = std::max(box.width, ContentOverflow(box));
    box.contentShift = 0;
}

void LayoutBlock(Box& box, qreal containingWidth, std::size_t& laidOut)
{
    if (box.containingWidth == containingWidth)
        return;
    ResolvePercentSides(box, containingWidth);
    if (box.kind == BoxKind::Table) {
        LayoutTable(box, containingWidth, laidOut);
        box.containingWidth = containingWidth;
        return;
    }
    ++laidOut;
    box.containingWidth = containingWidth;
    box.width = BoxWidth(box, containingWidth);
    qreal inner = box.width - box.border.Horizontal() - box.padding.Horizontal();
    if (box.kind == BoxKind::Rule) {
        box.height = box.border.Vertical();
        box.overflowRight = box.width;
        return;
    }
    if (box.inlines)
        LayoutLines(*box.inlines, box.style, inner);
    if (box.kind == BoxKind::InlineRun)
        LayoutInlineBlocks(box, laidOut);
    else
        for (auto& child : box.children)
            LayoutBlock(*child, inner, laidOut);
    PlaceChildren(box);
}

void IntrinsicWidths(Box& box, qreal& minWidth, qreal& maxWidth)
{
    if (box.minContent >= 0) {
        minWidth = box.minContent;
        maxWidth = box.maxContent;
        return;
    }
    if (box.kind == BoxKind::Table) {
        TableIntrinsicWidths(box, minWidth, maxWidth);
    } else if (box.kind == BoxKind::InlineRun) {
        InlineBlocksIntrinsicWidths(box, minWidth, maxWidth);
    } else {
        qreal insets = box.border.Horizontal() + box.padding.Horizontal();
        minWidth = maxWidth = 0;
        if (box.inlines) {
            MeasureIntrinsicWidths(*box.inlines, box.style);
            minWidth = box.inlines->minWidth;
            maxWidth = box.inlines->maxWidth;
        }
        for (auto& child : box.children) {
            qreal childMin = 0, childMax = 0;
            IntrinsicWidths(*child, childMin, childMax);
            if (child->kind == BoxKind::Rule) {
                childMin = 0;
                childMax = child->specifiedWidth >= 0 ? child->specifiedWidth : 0;
            }
            minWidth = std::max(minWidth, childMin + child->margin.Horizontal());
            maxWidth = std::max(maxWidth, childMax + child->margin.Horizontal());
        }
        if (box.kind != BoxKind::Rule) {
            minWidth += insets;
            maxWidth += insets;
        }
        if (box.specifiedWidth >= 0 && box.kind != BoxKind::Cell) {
            minWidth = std::max(minWidth, box.specifiedWidth + insets);
            maxWidth = minWidth;
        }
        // NOWRAP cells keep their lines whole.
        if (box.kind == BoxKind::Cell && box.element && box.element->HasAttribute("nowrap"))
            minWidth = maxWidth;
        maxWidth = std::max(maxWidth, minWidth);
    }
    box.minContent = minWidth;
    box.maxContent = maxWidth;
}

} // namespace vellum::html
