// Block layout: widths from the containing block, children stacked with
// their vertical margins collapsed, and tables by the automatic table
// layout of browsers. A box already laid out at the same width is kept as
// it is, which is what makes a rebuild of one block cheap.
#pragma once

#include "htmlview/LayoutBox.h"

#include <cstddef>

namespace vellum::html {

// Lays out `box` (and whatever below it needs it) in a containing block
// `containingWidth` wide; counts each box laid out in `laidOut`.
void LayoutBlock(Box& box, qreal containingWidth, std::size_t& laidOut);

// Places the box's children again from their current heights and updates
// its height, without laying anything out. For a table, rows and cells.
void PlaceChildren(Box& box);

// The margin a box shows above (below) itself once it has collapsed with
// its first (last) child's.
qreal OuterTopMargin(const Box& box);
qreal OuterBottomMargin(const Box& box);

// The narrowest and widest border-box widths the box can take (cached).
void IntrinsicWidths(Box& box, qreal& minWidth, qreal& maxWidth);

// Table layout (TableLayout.cpp).
void LayoutTable(Box& table, qreal containingWidth, std::size_t& laidOut);
void PlaceTableRows(Box& table);
void TableIntrinsicWidths(Box& table, qreal& minWidth, qreal& maxWidth);

// Lines of inline blocks (InlineBlockLayout.cpp): their widths in a run
// already as wide as its container, then their places.
void LayoutInlineBlocks(Box& run, std::size_t& laidOut);
void PlaceInlineBlocks(Box& run);
void InlineBlocksIntrinsicWidths(Box& run, qreal& minWidth, qreal& maxWidth);

} // namespace vellum::html
