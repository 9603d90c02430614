// The bound on element nesting. A mail body comes from another user, and
// 200,000 nested DIVs (1.2 MB) would otherwise cost time with the square of
// the depth in gumbo's parse (it scans its stack of open elements on most
// start tags) and stack with the depth in layout and painting. Browsers stop
// nesting at a few hundred levels; so does this engine.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vellum::html {

// The deepest an element is built: elements below it go beside the element
// at this depth instead of inside it, as in Chromium's parser.
inline constexpr std::size_t kMaxNestingDepth = 512;

// The most formatting elements (B, I, FONT, ...) left open at one time, in
// a cell or outside. HTML copies each one into every paragraph that follows,
// and keeps at most three alike, but formatting elements that differ in
// their attributes it keeps without end: a mail of "<P><FONT color=#n>x"
// with n counting up holds n copies in its n-th paragraph, a billion
// elements for 1 MiB. Past this bound a new one is left out (its text
// stays, with the formatting still open around it), so the copies grow
// with the text and not with its square; a mail a person writes leaves a
// few open.
inline constexpr std::size_t kMaxOpenFormatting = 32;

// Removes from `html` (UTF-8) the start tags that would open an element
// deeper than `maxDepth`, and their end tags; their content stays, inside
// the element at the bound. The nesting is followed approximately (implied
// end tags of P, LI, table cells and the like included), erring on the
// shallow side so that ordinary markup passes unchanged, and then the text
// is not copied at all (a mail body may be tens of megabytes). Linear in
// the text. Formatting start tags past kMaxOpenFormatting go the same way.
void BoundNesting(std::string& html, std::size_t maxDepth = kMaxNestingDepth);

} // namespace vellum::html
