// Caret geometry on the box tree: where a document position stands (a box
// with lines and a place in its text), the caret's rectangle there, what a
// point hits, and the places character, word and line movement lead to.
#pragma once

#include "html/Position.h"
#include "htmlview/BoxBuilder.h"
#include "htmlview/DocumentLayout.h"

#include <utility>

namespace vellum::html {

struct CaretPlace
{
    Box* box = nullptr; // a box with lines
    int index = 0;      // a cursor position in its layout text
    CaretAffinity affinity = CaretAffinity::NextLine;
};

// The caret place a position resolves to (null box when the body has no
// place for a caret).
CaretPlace LocateCaret(const BoxRegistry& registry, Box* root, const Position& position);
Position PositionAt(const CaretPlace& place);
QRectF CaretRectAt(const CaretPlace& place);

HitResult HitTestBoxes(Box& root, const QPointF& point);
CaretPlace HitPlace(Box& root, const QPointF& point);

CaretPlace NextCharacterPlace(const CaretPlace& place);
CaretPlace PreviousCharacterPlace(const CaretPlace& place);
CaretPlace NextWordPlace(const CaretPlace& place);
CaretPlace PreviousWordPlace(const CaretPlace& place);
CaretPlace LineStartPlace(const CaretPlace& place);
CaretPlace LineEndPlace(const CaretPlace& place);

enum class VerticalMove { Up, Down };
CaretPlace VerticalPlace(Box& root, const CaretPlace& place, qreal x, VerticalMove move);

// The word around a place; both ends equal when it is not in a word.
std::pair<CaretPlace, CaretPlace> WordPlaces(const CaretPlace& place);

// The border rectangle of an element's box or image, in document
// coordinates; null when it has none.
QRectF ElementRectOf(const BoxRegistry& registry, Box* root, const Element& element);

// Boxes with lines in document order.
Box* NextLineBox(Box* box);
Box* PreviousLineBox(Box* box);

} // namespace vellum::html
