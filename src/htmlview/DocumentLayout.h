// The laid-out form of an HTML document: where every block, line, character,
// image and table cell of the body sits, for painting, hit-testing and caret
// movement.
//
// The layout watches its document. A change marks the blocks it touched;
// the next Update() lays out only those and moves the blocks below them, so
// a keystroke in a long body costs one paragraph, not the whole document.
// A document load (DocumentReplaced) throws everything away.
//
// Coordinates are document pixels: (0, 0) is the top left of the body's
// area, y grows down the whole document. The view scrolls by translating.
//
// Caret positions are document boundary points (node, offset). The layout
// knows which of them a user can stand on (collapsed white space, the inside
// of an image, a comment are not), so character, word and line movement live
// here too.
#pragma once

#include "html/Document.h"
#include "html/Position.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRectF>

#include <cstddef>
#include <memory>
#include <string>

class QPainter;

namespace vellum::html {

class Element;

// Where a line wraps without a space (as Chinese text does), the end of
// the upper line and the start of the lower one are the same position; the
// affinity says on which of the two lines the caret shows. End and a click
// beyond a line's end leave the caret on the upper line; everything else
// puts it on the lower one.
enum class CaretAffinity { NextLine, PreviousLine };

// What a point in the document hits.
struct HitResult
{
    // The caret position nearest to the point (never null while the body
    // has a place for a caret).
    Position position;
    // An image under the point, or a table whose border (or cell spacing)
    // is under it: a click there makes a control selection.
    Element* control = nullptr;
    // The A element under the point, if any.
    Element* link = nullptr;
    // PreviousLine when the point was beyond the end of a wrapped line.
    CaretAffinity affinity = CaretAffinity::NextLine;
};

// How text standing at a caret position is drawn.
struct TextStyle
{
    QFont font;
    QColor color;
};

// How a paint call shows the selection.
struct PaintOptions
{
    bool showSelection = true;
    // The caret is the view's to draw (it blinks); the layout never paints
    // it.
};

class DocumentLayout
{
public:
    explicit DocumentLayout(Document& document);
    ~DocumentLayout();
    DocumentLayout(const DocumentLayout&) = delete;
    DocumentLayout& operator=(const DocumentLayout&) = delete;

    Document& GetDocument() const;

    // The width lines break at, in pixels (the view's viewport width).
    // A change relays out every block on the next Update().
    void SetWidth(int width);
    int Width() const;

    // Lays out what changed since the last call; nothing when nothing did.
    // Every query below calls it first, so callers only need it to control
    // when the cost is paid.
    void Update();
    // Forgets every block's layout (the next Update() does all of it).
    void Invalidate();

    // The images whose source attribute is `source` show `pixels` from now
    // on (a remote picture its owner fetched); the next Update() lays out
    // the blocks holding them again.
    void ShowPicture(const std::u16string& source, QImage pixels);

    // Height of the whole document, in pixels.
    int Height() const;
    // Width of the whole document: the width, or more where something
    // wider than the lines (a large image, a wide table, a long word)
    // sticks out on the right.
    int ContentWidth() const;

    // Paints the blocks that meet `clip` (document coordinates) with the
    // document's selection highlighted (text ranges as highlighted runs,
    // controls with a frame and handles).
    void Paint(QPainter& painter, const QRectF& clip, const PaintOptions& options = {}) const;

    HitResult HitTest(const QPointF& point) const;

    // The caret's rectangle at a position: a zero-width rectangle as tall
    // as the line, at the x where a caret stands between the characters.
    // Null (QRectF()) for a position with no place on screen.
    QRectF CaretRect(const Position& position) const;
    // The same, on the upper line when the position ends a wrapped line
    // and `affinity` is PreviousLine (the caret after End).
    QRectF CaretRect(const Position& position, CaretAffinity affinity) const;

    // The font and colour of the text at a position: what typing there
    // would look like (the input method's composition is drawn in them).
    // An empty formatting element holding the position counts.
    TextStyle TextStyleAt(const Position& position) const;

    // The border rectangle of an element (an image, a table, a cell, a
    // block); null when it is not laid out.
    QRectF ElementRect(const Element& element) const;

    // Normalizes any boundary point to the caret position a user sees there
    // (inside the nearest text, or before/after an image or BR).
    Position CaretPosition(const Position& position) const;

    // Caret movement. Each returns the position itself when there is
    // nowhere to go. `x` is the column to keep while moving up and down
    // (the caret's x when the vertical move started).
    Position NextCharacter(const Position& from) const;
    Position PreviousCharacter(const Position& from) const;
    Position NextWord(const Position& from) const;     // Ctrl+Right
    Position PreviousWord(const Position& from) const; // Ctrl+Left
    Position LineStart(const Position& from) const;    // Home
    // Home from a caret shown at the end of a wrapped line (after End):
    // the start of that upper line.
    Position LineStart(const Position& from, CaretAffinity affinity) const;
    Position LineEnd(const Position& from) const; // End
    Position LineAbove(const Position& from, qreal x) const;
    Position LineBelow(const Position& from, qreal x) const;
    // Page Up/Down: `pixels` up (negative) or down from the caret's line.
    Position MoveByPixels(const Position& from, qreal x, qreal pixels) const;

    // The word around a position (double-click), as a range; collapsed at
    // the position when it is not in a word. CJK characters are words of
    // one character each, as the platform's word breaking has them.
    Range WordAt(const Position& position) const;

    // How many blocks the last Update() that had anything to do laid out
    // (for tests and the benchmark that prove edits are incremental); an
    // Update() with nothing to do leaves it as it was.
    std::size_t BlocksLaidOutByLastUpdate() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace vellum::html
