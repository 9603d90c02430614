// The box tree: one box per block-level element of the body (plus an
// anonymous box for each run of inline content beside blocks), each with its
// computed style, its geometry and, for boxes holding text, the shaped lines.
//
// Geometry is relative: a box's x and y are offsets of its border box from
// its parent's border box. When a block's height changes only its
// following siblings' y values change, so nothing below has to be laid out
// again.
#pragma once

#include "htmlview/LayoutStyle.h"

#include <QImage>
#include <QRectF>
#include <QString>
#include <QTextLayout>

#include <array>
#include <memory>
#include <vector>

namespace vellum::html {

class Element;
class Node;

enum class BoxKind {
    Flow,  // a block holding blocks, or lines when `inlines` is set
    Rule,  // HR
    Table, // children are rows
    Row,   // children are cells
    Cell,  // a block inside a table
    // Inline blocks side by side: children are blocks, placed on lines
    // that wrap like words.
    InlineRun,
};

enum class PieceKind { Text, Image, Break };

// A stretch of a paragraph's layout text produced by one node.
struct InlinePiece
{
    Node* node = nullptr;
    PieceKind kind = PieceKind::Text;
    int start = 0; // in the layout text
    int end = 0;
    QSizeF size; // images
};

class Picture;

struct InlineImage
{
    Element* element = nullptr;
    int index = 0;                          // the character standing for it
    QSizeF size;                            // the border box: the picture and its BORDER around it
    std::shared_ptr<const Picture> picture; // a null one: the broken-image placeholder
    qreal border = 0;
    QColor borderColor;
};

struct LinkSpan
{
    int start = 0;
    int end = 0;
    Element* link = nullptr;
};

// Where one line sits, relative to the paragraph's content box.
struct LineBox
{
    qreal top = 0;
    qreal height = 0;
    qreal baseline = 0; // from `top`
    int segment = 0;    // which segment's layout holds it
    int line = 0;       // its number in that layout
};

// The text between two forced line breaks (BR, a new line in PRE), shaped
// by a layout of its own: an edit in a long paragraph of short lines, as
// plain-text mails are, shapes one segment again and keeps the others.
struct TextSegment
{
    int start = 0; // in the paragraph's text; a line separator sits at
    int end = 0;   // `end` unless this is the last segment
    QTextLayout layout;
    QList<QTextLayout::FormatRange> formats; // relative to `start`
    int firstLine = 0;
    qreal width = -1; // the width its lines were broken at; -1: not yet
};

// The inline content of a block: its text with white space collapsed, the
// map back to the document, and the lines Qt broke it into.
struct InlineContent
{
    QString text;
    // For each character of `text`, the offset in its node it came from.
    std::vector<int> source;
    std::vector<InlinePiece> pieces;
    std::vector<InlineImage> images;
    std::vector<LinkSpan> links;
    QList<QTextLayout::FormatRange> formats;
    std::vector<std::unique_ptr<TextSegment>> segments;
    TextAlign align = TextAlign::Left; // the options the segments were made with
    bool preformatted = false;
    std::vector<LineBox> lines;
    qreal height = 0;
    qreal minWidth = -1; // intrinsic widths, worked out for tables
    qreal maxWidth = -1;
};

struct Edges
{
    qreal top = 0, right = 0, bottom = 0, left = 0;
    qreal Horizontal() const { return left + right; }
    qreal Vertical() const { return top + bottom; }
};

// Margins and padding given as percentages, per side (top, right, bottom,
// left; negative: given in other units). They are of the containing
// block's width, top and bottom too, so they become pixels only when the
// box is laid out.
struct PercentSides
{
    std::array<qreal, 4> margin{-1, -1, -1, -1};
    std::array<qreal, 4> padding{-1, -1, -1, -1};
};

// How a CSS border side is drawn; groove, ridge, inset and outset are
// drawn solid.
enum class BorderLine : unsigned char { Solid, Dotted, Dashed, Double };

struct TableInfo
{
    // "border-collapse: collapse": no spacing, and neighbouring cells share
    // the line between them (each keeps half of its border there).
    bool collapse = false;
    qreal border = 0;
    // Between columns and between rows, and between the outer cells and
    // the table's border ("border-spacing: 10px 4px", CELLSPACING).
    qreal columnSpacing = 2;
    qreal rowSpacing = 2;
    qreal padding = 1;
    qreal specifiedWidth = -1; // px
    qreal percentWidth = -1;
    std::vector<qreal> columns; // x of each column's left edge and widths
    std::vector<qreal> widths;
};

// A cell's "vertical-align", or its VALIGN (Unset: its row's, else the
// middle).
enum class CellAlign { Unset, Top, Middle, Bottom };

struct CellInfo
{
    CellAlign verticalAlign = CellAlign::Unset;
    int column = 0;
    int colSpan = 1;
    int rowSpan = 1;
    qreal specifiedWidth = -1;
    qreal percentWidth = -1;
};

struct Box
{
    BoxKind kind = BoxKind::Flow;
    Element* element = nullptr; // null for an anonymous box
    // Anonymous boxes: the consecutive children of the parent's element
    // whose inline content they hold.
    std::vector<Node*> roots;
    Box* parent = nullptr;
    LayoutStyle style;

    qreal x = 0, y = 0, width = 0, height = 0; // border box, relative to the parent
    Edges margin, border, padding;
    QColor borderColor = Qt::gray;
    bool insetBorder = false;
    // Borders from CSS: flat, one colour per side (top, right, bottom,
    // left), instead of the raised or sunken frame of the attributes.
    bool flatBorders = false;
    std::array<QColor, 4> sideColors;
    std::array<BorderLine, 4> sideLines{};
    std::unique_ptr<PercentSides> percentSides; // null: none given
    qreal specifiedWidth = -1;                  // px, for blocks with a width
    qreal specifiedHeight = -1;
    qreal percentWidth = -1;
    qreal maxWidth = -1;
    // "margin: 0 auto": the spare room of the container goes to these sides.
    bool autoMarginLeft = false;
    bool autoMarginRight = false;
    // Inline blocks: the collapsed white space before it on its line, and
    // its "vertical-align" (Unset: on the line's baseline).
    qreal spaceBefore = 0;
    CellAlign inlineAlign = CellAlign::Unset;

    std::vector<std::unique_ptr<Box>> children;
    std::unique_ptr<InlineContent> inlines;

    // List items: the marker drawn left of the first line.
    QString marker;

    std::unique_ptr<TableInfo> table;
    std::unique_ptr<CellInfo> cell;

    // The width this box was last laid out in (-1: not yet) and its
    // intrinsic widths (-1: not measured since it changed).
    qreal containingWidth = -1;
    qreal minContent = -1;
    qreal maxContent = -1;
    // Table cells: how far vertical alignment moves the content down.
    qreal contentShift = 0;
    // The height the content asked for, before a table row stretched it.
    qreal naturalHeight = 0;
    // How far right the box or anything in it reaches (a long word, a wide
    // image or table sticking out), from the box's left edge.
    qreal overflowRight = 0;

    bool dirty = false;   // content changed: rebuild this box
    bool restyle = false; // own style changed: rebuild everything below too

    bool HasLines() const { return inlines != nullptr; }
    QRectF ContentRect() const
    {
        return QRectF(border.left + padding.left, border.top + padding.top + contentShift,
                      width - border.Horizontal() - padding.Horizontal(),
                      height - border.Vertical() - padding.Vertical());
    }
    // Offset of the box's border box from the document origin.
    // A table cell's vertical alignment moves its children with it.
    QPointF AbsolutePosition() const
    {
        QPointF p(x, y);
        for (const Box* b = parent; b; b = b->parent)
            p += QPointF(b->x, b->y + b->contentShift);
        return p;
    }
};

} // namespace vellum::html
