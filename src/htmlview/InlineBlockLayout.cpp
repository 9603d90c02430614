// Lines of inline blocks, as mail templates place their columns and cards:
// each block takes the width it asks for (or its content's, up to the
// room there is), the blocks go side by side with the white space between
// them and wrap like words when the next one does not fit, and each line
// follows the container's text-align. On a line a block sits on the
// baseline (its last line of text, else its bottom) unless its
// "vertical-align" says top, middle or bottom; the line is at least as tall
// as the container's own line of text, which is why a row of inline blocks
// in a 16 px font keeps a few pixels under it that a font-size of 0 does not.
#include "htmlview/BlockLayout.h"

#include <QFontMetricsF>

#include <algorithm>

namespace vellum::html {
namespace {

// The baseline of a box's last line of text, from its border box's top;
// negative when it has none.
qreal LastBaseline(const Box& box)
{
    if (box.inlines && !box.inlines->lines.empty()) {
        const LineBox& line = box.inlines->lines.back();
        return box.border.top + box.padding.top + box.contentShift + line.top + line.baseline;
    }
    for (auto it = box.children.rbegin(); it != box.children.rend(); ++it) {
        qreal baseline = LastBaseline(**it);
        if (baseline >= 0)
            return (*it)->y + box.contentShift + baseline;
    }
    return -1;
}

// The container's own line of text, which every line of inline blocks
// holds: its height above and below the baseline.
struct Strut
{
    qreal ascent = 0;
    qreal descent = 0;
};

Strut StrutOf(const LayoutStyle& style)
{
    if (style.pixelSize <= 0)
        return {};
    QFontMetricsF metrics(FontFor(style));
    Strut strut{metrics.ascent(), metrics.descent()};
    qreal lineHeight =
        style.lineHeightScale >= 0 ? style.lineHeightScale * style.pixelSize : style.lineHeight;
    if (lineHeight < 0)
        return strut;
    qreal halfLeading = (lineHeight - strut.ascent - strut.descent) / 2;
    return {strut.ascent + halfLeading, strut.descent + halfLeading};
}

qreal OuterWidth(const Box& box)
{
    return box.margin.left + box.width + box.margin.right;
}

qreal OuterHeight(const Box& box)
{
    return box.margin.top + box.height + box.margin.bottom;
}

// From the top of the block's margin box to the baseline it sits on.
qreal BaselineOffset(const Box& box)
{
    qreal baseline = LastBaseline(box);
    return box.margin.top + (baseline >= 0 ? baseline : box.height + box.margin.bottom);
}

// Places the blocks [first, last) on one line whose top is `top`; returns
// the line's height.
qreal PlaceLine(Box& run, std::size_t first, std::size_t last, qreal top, qreal width)
{
    Strut strut = StrutOf(run.style);
    qreal above = strut.ascent, below = strut.descent, tallest = 0;
    for (std::size_t i = first; i < last; ++i) {
        const Box& block = *run.children[i];
        if (block.inlineAlign == CellAlign::Unset) {
            above = std::max(above, BaselineOffset(block));
            below = std::max(below, OuterHeight(block) - BaselineOffset(block));
        } else {
            tallest = std::max(tallest, OuterHeight(block));
        }
    }
    qreal height = std::max(above + below, tallest);
    qreal spare = run.width - width;
    qreal x = spare <= 0                             ? 0
              : run.style.align == TextAlign::Center ? spare / 2
              : run.style.align == TextAlign::Right  ? spare
                                                     : 0;
    for (std::size_t i = first; i < last; ++i) {
        Box& block = *run.children[i];
        if (i > first)
            x += block.spaceBefore;
        block.x = x + block.margin.left;
        qreal outer = OuterHeight(block);
        qreal offset = block.inlineAlign == CellAlign::Top      ? 0
                       : block.inlineAlign == CellAlign::Bottom ? height - outer
                       : block.inlineAlign == CellAlign::Middle ? (height - outer) / 2
                                                                : above - BaselineOffset(block);
        block.y = top + offset + block.margin.top;
        x += OuterWidth(block);
    }
    return height;
}

} // namespace

void LayoutInlineBlocks(Box& run, std::size_t& laidOut)
{
    for (auto& child : run.children) {
        Box& block = *child;
        if (block.specifiedWidth >= 0 || block.percentWidth >= 0) {
            LayoutBlock(block, run.width, laidOut);
            continue;
        }
        // Shrink to fit: the content's width, within the room there is.
        qreal minWidth = 0, maxWidth = 0;
        IntrinsicWidths(block, minWidth, maxWidth);
        qreal room = run.width - block.margin.Horizontal();
        qreal width = std::min(std::max(minWidth, room), maxWidth);
        LayoutBlock(block, width + block.margin.Horizontal(), laidOut);
    }
}

void PlaceInlineBlocks(Box& run)
{
    qreal top = 0;
    std::size_t first = 0;
    qreal lineWidth = 0;
    for (std::size_t i = 0; i < run.children.size(); ++i) {
        const Box& block = *run.children[i];
        qreal more = (i > first ? block.spaceBefore : 0) + OuterWidth(block);
        if (i > first && lineWidth + more > run.width + 0.01) {
            top += PlaceLine(run, first, i, top, lineWidth);
            first = i;
            more = OuterWidth(block);
            lineWidth = 0;
        }
        lineWidth += more;
    }
    if (first < run.children.size())
        top += PlaceLine(run, first, run.children.size(), top, lineWidth);
    run.height = top;
}

void InlineBlocksIntrinsicWidths(Box& run, qreal& minWidth, qreal& maxWidth)
{
    minWidth = maxWidth = 0;
    for (auto& child : run.children) {
        qreal childMin = 0, childMax = 0;
        IntrinsicWidths(*child, childMin, childMax);
        minWidth = std::max(minWidth, childMin + child->margin.Horizontal());
        maxWidth += child->spaceBefore + childMax + child->margin.Horizontal();
    }
}

} // namespace vellum::html
