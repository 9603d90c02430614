// Writing the model back as HTML, the way the editor's browser wrote it.
//
// Element names come out in upper case (<BODY>, <DIV>, <TABLE>), attribute
// names as they were written, values in double quotes; text is escaped and
// U+00A0 is written "&nbsp;". Script and style contents are written as they
// are (they are data, never run). Output is UTF-16; the two converters at the
// end give the host code page forms the module stores and loads.
#pragma once

#include <string>
#include <string_view>

namespace vellum::html {

class Node;

// The node with its descendants (for the document: all its children).
std::u16string SerializeNode(const Node& node);
// Only the descendants.
std::u16string SerializeChildren(const Node& node);

// Host code page bytes; characters the code page cannot hold become numeric
// character references, so nothing is lost.
std::string ToHostBytes(std::u16string_view html);

// The ASCII-safe form the editor loads: every UTF-16 unit above 126 is
// written "&#x%04X;". A surrogate pair is written as one reference to its
// character (a reference to half a pair would decode as U+FFFD).
std::string ToAsciiSafeHtml(std::u16string_view html);

} // namespace vellum::html
