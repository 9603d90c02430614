// A mail body as the body editor writes it. The compose dialog's bodies
// always come from the editor, so they are whole documents with the editor's
// META head and a "<BODY>" that replies and forwards put their quote header
// after. A body made elsewhere (a script's `vellum send --body`, another
// module) goes through the same document here, so that it is stored as the
// dialog would have stored it.
#pragma once

#include <string>
#include <string_view>

namespace vellum::html {

// `hostBytes` (host code page) read into a document and written back as the
// editor writes it. A fragment (no HTML or BODY element of its own) becomes
// the content of a new body, under the head a new mail starts with.
std::string EditorBodyHtml(std::string_view hostBytes);

} // namespace vellum::html
