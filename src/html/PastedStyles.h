// Pasted HTML keeps its look without its style sheet. Word processors and
// web pages put their rules in a STYLE element of the copied fragment; the
// editor would keep that sheet for the whole mail (restyling what was there
// before) or lose the look with it. So, as browsers' editors do, the
// declarations the fragment's rules give each pasted element are written
// into its "style" attribute, and the fragment's STYLE, META, LINK and
// TITLE elements are dropped.
#pragma once

#include <vector>

namespace vellum::html {

class Node;

// Rewrites `nodes` (a parsed fragment's top level, not yet in the tree)
// in place; nothing changes when the fragment has no STYLE element.
void InlinePastedStyles(std::vector<Node*>& nodes);

} // namespace vellum::html
