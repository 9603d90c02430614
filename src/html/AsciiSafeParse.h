// Whether a body parses the same as its ASCII-safe form (ToAsciiSafeHtml),
// so that the editor may hand the view the body itself and spare the parser
// a reference per Chinese character. A reference means the character it
// names in text and in quoted attribute values; anywhere else (names,
// unquoted values, comments, the raw text of STYLE and SCRIPT) it stays as
// written, and references to C1 controls and to surrogates decode to other
// characters. The answer errs only towards "no".
#pragma once

#include <string_view>

namespace vellum::html {

bool ParsesAsItsAsciiSafeForm(std::u16string_view html);

} // namespace vellum::html
