// Painting the box tree: backgrounds, borders, rules, list markers, text
// with the selection as highlighted runs, images, and a frame with handles
// around control-selected elements. Only boxes meeting the clip are visited.
#pragma once

#include "html/Selection.h"
#include "htmlview/BoxBuilder.h"
#include "htmlview/DocumentLayout.h"

class QPainter;

namespace vellum::html {

void PaintBoxes(QPainter& painter, Box& root, const QRectF& clip, const Selection& selection,
                const PaintOptions& options, const BoxRegistry& registry);

} // namespace vellum::html
