// Reading HTML into the document model, with gumbo doing the HTML5 parse.
//
// Character references of every kind ("&#x4E2D;", "&#20013;", "&nbsp;") are
// decoded here, so the model holds plain UTF-16 text. The nodes built are
// detached and unrecorded: they are new, so undo only needs to know where
// they are put.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vellum::html {

class Document;
class Node;

// A whole document; the result is the top level (comments and the HTML
// element, which always has HEAD and BODY).
std::vector<Node*> ParseDocument(Document& document, std::u16string_view html);
// The same from UTF-8 text, which the parse takes over (a large body is
// then not held twice while it parses).
std::vector<Node*> ParseDocumentUtf8(Document& document, std::string html);

// Content as it would be parsed inside an element named `contextTag` (such
// as "BODY", "TD" or "DIV"); the result is the list of top-level nodes.
std::vector<Node*> ParseFragment(Document& document, std::u16string_view html,
                                 std::string_view contextTag);

} // namespace vellum::html
