// Automatic table layout as browsers do it: each column gets at least the
// widest unbreakable content of its cells and, when there is room, up to
// the width of their unbroken content; spare room beyond the minimums goes
// to the columns in proportion to how much more they would like. Fixed and
// percentage cell widths claim their share first.
#include "html/Node.h"
#include "htmlview/BlockLayout.h"

#include <algorithm>
#include <numeric>

namespace vellum::html {
namespace {

struct ColumnNeeds
{
    std::vector<qreal> min, max, percent;
    std::vector<bool> fixed;
};

// Gives every cell its column, skipping places taken by row spans above.
int AssignColumns(Box& table)
{
    std::vector<int> busyUntilRow; // per column: first row free again
    int columns = 0;
    for (std::size_t r = 0; r < table.children.size(); ++r) {
        int column = 0;
        for (auto& cell : table.children[r]->children) {
            if (!cell->cell)
                continue;
            while (column < static_cast<int>(busyUntilRow.size()) &&
                   busyUntilRow[static_cast<std::size_t>(column)] > static_cast<int>(r))
                ++column;
            cell->cell->column = column;
            int span = cell->cell->colSpan;
            if (static_cast<int>(busyUntilRow.size()) < column + span)
                busyUntilRow.resize(static_cast<std::size_t>(column + span), 0);
            for (int c = column; c < column + span; ++c)
                busyUntilRow[static_cast<std::size_t>(c)] =
                    static_cast<int>(r) + cell->cell->rowSpan;
            column += span;
            columns = std::max(columns, column);
        }
    }
    return columns;
}

ColumnNeeds MeasureColumns(Box& table, int columns)
{
    ColumnNeeds needs;
    std::size_t n = static_cast<std::size_t>(columns);
    needs.min.assign(n, 0);
    needs.max.assign(n, 0);
    needs.percent.assign(n, -1);
    needs.fixed.assign(n, false);
    qreal spacing = table.table->columnSpacing;
    // Single-column cells first, then spanning cells spread what they lack.
    for (int pass = 0; pass < 2; ++pass) {
        for (auto& row : table.children) {
            for (auto& cell : row->children) {
                if (!cell->cell || (cell->cell->colSpan == 1) != (pass == 0))
                    continue;
                qreal cellMin = 0, cellMax = 0;
                IntrinsicWidths(*cell, cellMin, cellMax);
                std::size_t first = static_cast<std::size_t>(cell->cell->column);
                std::size_t span = static_cast<std::size_t>(cell->cell->colSpan);
                if (span == 1) {
                    if (cell->cell->specifiedWidth >= 0) {
                        qreal fixedWidth = std::max(cellMin, cell->cell->specifiedWidth +
                                                                 cell->padding.Horizontal() +
                                                                 cell->border.Horizontal());
                        needs.fixed[first] = true;
                        needs.max[first] = std::max(needs.max[first], fixedWidth);
                    } else if (!needs.fixed[first]) {
                        needs.max[first] = std::max(needs.max[first], cellMax);
                    }
                    if (cell->cell->percentWidth >= 0)
                        needs.percent[first] =
                            std::max(needs.percent[first], cell->cell->percentWidth);
                    needs.min[first] = std::max(needs.min[first], cellMin);
                    needs.max[first] = std::max(needs.max[first], needs.min[first]);
                    continue;
                }
                qreal between = spacing * static_cast<qreal>(span - 1);
                qreal haveMin = between, haveMax = between;
                for (std::size_t c = first; c < first + span; ++c) {
                    haveMin += needs.min[c];
                    haveMax += needs.max[c];
                }
                // What the spanning cell lacks goes to its columns by how
                // wide they would like to be, so that a column no cell of
                // its own asks for stays narrow, as in browsers.
                qreal wanted = haveMax - between;
                for (std::size_t c = first; c < first + span; ++c) {
                    qreal part = wanted > 0 ? needs.max[c] / wanted : 1 / static_cast<qreal>(span);
                    if (cellMin > haveMin)
                        needs.min[c] += (cellMin - haveMin) * part;
                    if (cellMax > haveMax)
                        needs.max[c] += (cellMax - haveMax) * part;
                    needs.max[c] = std::max(needs.max[c], needs.min[c]);
                }
            }
        }
    }
    return needs;
}

qreal Sum(const std::vector<qreal>& values)
{
    return std::accumulate(values.begin(), values.end(), qreal(0));
}

// Column widths for a table whose columns share `available` pixels.
std::vector<qreal> DistributeWidths(const ColumnNeeds& needs, qreal available, bool stretch)
{
    std::size_t n = needs.min.size();
    std::vector<qreal> widths = needs.min;
    qreal room = available - Sum(widths);
    // Percentage columns first.
    for (std::size_t c = 0; c < n && room > 0; ++c) {
        if (needs.percent[c] < 0)
            continue;
        qreal want = std::max(needs.min[c], available * needs.percent[c] / 100);
        qreal grow = std::min(room, want - widths[c]);
        widths[c] += grow;
        room -= grow;
    }
    // Then towards the widest content, in proportion to what each lacks.
    qreal lacking = 0;
    for (std::size_t c = 0; c < n; ++c)
        if (needs.percent[c] < 0)
            lacking += std::max<qreal>(0, needs.max[c] - widths[c]);
    if (room > 0 && lacking > 0) {
        qreal share = std::min<qreal>(1, room / lacking);
        for (std::size_t c = 0; c < n; ++c) {
            if (needs.percent[c] >= 0)
                continue;
            qreal grow = std::max<qreal>(0, needs.max[c] - widths[c]) * share;
            widths[c] += grow;
            room -= grow;
        }
    }
    // A table wider than its content spreads the rest over the automatic
    // columns, by their widths.
    if (stretch && room > 0.01 && n > 0) {
        std::vector<std::size_t> targets;
        for (std::size_t c = 0; c < n; ++c)
            if (!needs.fixed[c] && needs.percent[c] < 0)
                targets.push_back(c);
        if (targets.empty())
            for (std::size_t c = 0; c < n; ++c)
                targets.push_back(c);
        qreal total = 0;
        for (std::size_t c : targets)
            total += widths[c];
        for (std::size_t c : targets)
            widths[c] +=
                total > 0 ? room * widths[c] / total : room / static_cast<qreal>(targets.size());
    }
    return widths;
}

CellAlign AlignFromAttribute(const Element& element)
{
    auto value = element.FindAttribute("valign");
    if (!value)
        return CellAlign::Unset;
    QString text = QString::fromStdU16String(*value).trimmed().toLower();
    return text == "top"      ? CellAlign::Top
           : text == "bottom" ? CellAlign::Bottom
                              : CellAlign::Middle;
}

// Cells centre their content vertically unless told otherwise: by their
// vertical-align, their VALIGN, else their row's.
CellAlign CellAlignOf(const Box& cell, const Box& row)
{
    if (cell.cell->verticalAlign != CellAlign::Unset)
        return cell.cell->verticalAlign;
    CellAlign align = AlignFromAttribute(*cell.element);
    if (align != CellAlign::Unset || !row.element)
        return align; // a row made up around loose cells has no VALIGN
    return AlignFromAttribute(*row.element);
}

qreal TableChrome(const Box& table, int columns)
{
    return table.border.Horizontal() + table.table->columnSpacing * (columns + 1);
}

// A table's height is a least height, as browsers treat it: the rows
// share what their content leaves, in proportion to their heights.
void GrowRowsToHeight(const Box& table, std::vector<qreal>& heights)
{
    if (table.specifiedHeight < 0 || heights.empty())
        return;
    qreal chrome =
        table.border.Vertical() + table.table->rowSpacing * static_cast<qreal>(heights.size() + 1);
    qreal content = Sum(heights);
    qreal spare = table.specifiedHeight - chrome - content;
    if (spare <= 0)
        return;
    for (qreal& height : heights)
        height +=
            content > 0 ? spare * height / content : spare / static_cast<qreal>(heights.size());
}

} // namespace

void TableIntrinsicWidths(Box& table, qreal& minWidth, qreal& maxWidth)
{
    int columns = AssignColumns(table);
    ColumnNeeds needs = MeasureColumns(table, columns);
    qreal chrome = TableChrome(table, columns);
    minWidth = Sum(needs.min) + chrome;
    maxWidth = Sum(needs.max) + chrome;
    if (table.table->specifiedWidth >= 0) {
        minWidth = std::max(minWidth, table.table->specifiedWidth);
        maxWidth = minWidth;
    }
}

void LayoutTable(Box& table, qreal containingWidth, std::size_t& laidOut)
{
    ++laidOut;
    TableInfo& info = *table.table;
    int columns = AssignColumns(table);
    ColumnNeeds needs = MeasureColumns(table, columns);
    qreal chrome = TableChrome(table, columns);
    qreal available = containingWidth - table.margin.Horizontal();
    if (table.maxWidth >= 0)
        available = std::min(available, table.maxWidth);
    qreal minTotal = Sum(needs.min) + chrome;
    qreal maxTotal = Sum(needs.max) + chrome;
    qreal width = std::min(available, maxTotal);
    bool stretch = false;
    if (info.percentWidth >= 0) {
        width = available * info.percentWidth / 100;
        stretch = true;
    } else if (info.specifiedWidth >= 0) {
        width = info.specifiedWidth;
        stretch = true;
    }
    width = std::max(width, minTotal);
    info.widths = DistributeWidths(needs, width - chrome, stretch);
    info.columns.assign(info.widths.size(), 0);
    qreal x = table.border.left + info.columnSpacing;
    for (std::size_t c = 0; c < info.widths.size(); ++c) {
        info.columns[c] = x;
        x += info.widths[c] + info.columnSpacing;
    }
    table.width = x + table.border.right;

    for (auto& row : table.children) {
        for (auto& cell : row->children) {
            if (!cell->cell)
                continue;
            std::size_t first = static_cast<std::size_t>(cell->cell->column);
            std::size_t last =
                std::min(info.widths.size(), first + static_cast<std::size_t>(cell->cell->colSpan));
            qreal cellWidth = info.columnSpacing * static_cast<qreal>(last - first - 1);
            for (std::size_t c = first; c < last; ++c)
                cellWidth += info.widths[c];
            LayoutBlock(*cell, cellWidth, laidOut);
        }
    }
    PlaceTableRows(table);
}

void PlaceTableRows(Box& table)
{
    TableInfo& info = *table.table;
    std::size_t rows = table.children.size();
    std::vector<qreal> heights(rows, 0);
    auto naturalHeight = [](const Box& cell) { return cell.naturalHeight; };
    // Cells spanning one row set its height; spanning cells then stretch
    // their last row when the rows they cover are too short.
    for (std::size_t r = 0; r < rows; ++r)
        for (auto& cell : table.children[r]->children)
            if (cell->cell && cell->cell->rowSpan == 1)
                heights[r] = std::max(heights[r], naturalHeight(*cell));
    for (std::size_t r = 0; r < rows; ++r) {
        for (auto& cell : table.children[r]->children) {
            if (!cell->cell || cell->cell->rowSpan == 1)
                continue;
            std::size_t last =
                std::min(rows, r + static_cast<std::size_t>(cell->cell->rowSpan)) - 1;
            qreal covered = info.rowSpacing * static_cast<qreal>(last - r);
            for (std::size_t k = r; k <= last; ++k)
                covered += heights[k];
            if (naturalHeight(*cell) > covered)
                heights[last] += naturalHeight(*cell) - covered;
        }
    }
    GrowRowsToHeight(table, heights);
    qreal y = table.border.top + info.rowSpacing;
    qreal rowLeft = table.border.left + info.columnSpacing;
    std::vector<qreal> rowTops(rows);
    for (std::size_t r = 0; r < rows; ++r) {
        Box& row = *table.children[r];
        rowTops[r] = y;
        row.x = rowLeft;
        row.y = y;
        row.width =
            std::max<qreal>(0, table.width - table.border.Horizontal() - 2 * info.columnSpacing);
        row.height = heights[r];
        y += heights[r] + info.rowSpacing;
    }
    for (std::size_t r = 0; r < rows; ++r) {
        for (auto& cell : table.children[r]->children) {
            if (!cell->cell)
                continue;
            std::size_t column = static_cast<std::size_t>(cell->cell->column);
            cell->x = (column < info.columns.size() ? info.columns[column] : rowLeft) - rowLeft;
            cell->y = 0;
            std::size_t last =
                std::min(rows, r + static_cast<std::size_t>(cell->cell->rowSpan)) - 1;
            qreal natural = naturalHeight(*cell);
            qreal height = rowTops[last] + heights[last] - rowTops[r];
            cell->height = height;
            qreal spare = height - natural;
            CellAlign align = CellAlignOf(*cell, *table.children[r]);
            cell->contentShift = align == CellAlign::Top      ? 0
                                 : align == CellAlign::Bottom ? spare
                                                              : spare / 2;
        }
    }
    table.height = y + table.border.bottom;
    table.overflowRight = table.width;
    for (auto& row : table.children) {
        row->overflowRight = row->width;
        for (auto& cell : row->children)
            row->overflowRight = std::max(row->overflowRight, cell->x + cell->overflowRight);
        table.overflowRight = std::max(table.overflowRight, row->x + row->overflowRight);
    }
    table.naturalHeight = table.height;
}

} // namespace vellum::html
