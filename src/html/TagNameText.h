// How a tag name reads in markup, shared by the nesting pre-pass and the
// parser's reading of unknown tag names.
#pragma once

namespace vellum::html {

inline bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A character that ends a tag name: white space, '/' or '>'.
inline bool IsTagNameEnd(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '/' || c == '>';
}

} // namespace vellum::html
