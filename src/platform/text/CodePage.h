// The host code page and conversions between it and Unicode.
//
// Every string inside the module is bytes in the host code page (GBK unless
// VELLUM_CODEPAGE names another iconv encoding). Conversions happen only at
// the edges: databases, Qt, file names and the HTML engine call these.
#pragma once

#include <string>
#include <string_view>

namespace vellum::text {

// The iconv name of the host code page, read once from VELLUM_CODEPAGE
// ("GBK" when unset or empty; a Chinese code page is read as GB18030).
const std::string& HostCodePage();

// Changes the host code page for the rest of the process; tests use it to run
// the same cases under GBK and UTF-8.
void SetHostCodePage(std::string_view iconvName);

// "" when iconv knows the host code page, else a message that says which
// name it does not know; programs refuse to start on an unknown one.
std::string HostCodePageError();

// True when every byte of `hostBytes` is part of a character of the host
// code page (strict UTF-8 for UTF-8: no overlong forms, no surrogates).
// Names that differ only in undecodable bytes would otherwise meet as one.
bool IsValidHostText(std::string_view hostBytes);

// True when the host code page is UTF-8, so conversions are copies.
bool HostCodePageIsUtf8();

// Host code page bytes to UTF-8. A byte sequence the code page cannot decode
// becomes U+FFFD, so the result is always valid UTF-8.
std::string ToUtf8(std::string_view hostBytes);

// ToUtf8 in place: a text that reads the same in both (ASCII, or valid
// UTF-8 when the host code page is UTF-8) is left as it is, not copied.
void MakeUtf8(std::string& hostBytes);

// UTF-8 to host code page bytes. A character the code page cannot hold
// becomes "?" (callers that must not lose text use ToHostWithReferences).
std::string FromUtf8(std::string_view utf8);

// UTF-8 to host code page bytes, writing each character the code page
// cannot hold as a numeric character reference "&#NNNN;".
std::string FromUtf8WithReferences(std::string_view utf8);

// Host code page bytes to UTF-16 and back (the HTML engine and Qt).
std::u16string ToUtf16(std::string_view hostBytes);
std::string FromUtf16(std::u16string_view utf16);

// Plain UTF-8 <-> UTF-16, independent of the host code page.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

} // namespace vellum::text
