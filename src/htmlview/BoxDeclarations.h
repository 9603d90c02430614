// The box model of a block from CSS: margins, padding, borders, widths and
// heights, a cell's vertical alignment and a table's collapsed borders,
// from the declarations the style sheets and the "style" attribute give
// its element. They override the tag's defaults and its attributes, which
// the box builder sets first.
#pragma once

namespace vellum::html {

class AppliedDeclarations;
struct Box;

void ApplyBoxDeclarations(Box& box, const AppliedDeclarations& declarations);

} // namespace vellum::html
