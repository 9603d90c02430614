// The declarations of an element's "style" attribute.
//
// Reads "font-size: 12px; COLOR: red" into ordered name/value pairs and
// writes them back the way the editor's browser did ("FONT-SIZE: 12px;
// COLOR: red"): property names in upper case, "; " between declarations.
// The same reader serves the declaration blocks of style sheets.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vellum::html {

class InlineStyle
{
public:
    explicit InlineStyle(std::u16string_view text = {});

    // The value of a property (names compared without regard to case); empty
    // when it is not set.
    std::u16string Get(std::string_view property) const;
    // An empty value removes the property.
    void Set(std::string_view property, std::u16string_view value);
    const std::vector<std::pair<std::string, std::u16string>>& Declarations() const
    {
        return declarations_;
    }
    std::u16string ToText() const;

private:
    std::vector<std::pair<std::string, std::u16string>> declarations_;
};

// Strips spaces, tabs, carriage returns and line feeds from both ends.
std::u16string_view TrimSpace(std::u16string_view text);

// ASCII-only conversions for names held as UTF-16 in CSS and markup.
std::string AsciiFromUtf16(std::u16string_view text);
std::u16string Utf16FromAscii(std::string_view text);

} // namespace vellum::html
