// Font sizes in pixels. The engine's font-size command knows only the HTML
// sizes 1-7, so setting a pixel size marks the selection with size 7 first
// and then rewrites every sized FONT of the block into an inline style;
// reading goes up through FONT elements and falls back to the size the style
// sheet gives BODY.
#include "editor/HtmlDocument.h"
#include "platform/html/Document.h"
#include "platform/html/InlineStyle.h"
#include "platform/html/StyleSheet.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace vellum::html;

namespace {

// The elements that do not count as a block of their own when a size is set
// or read: the tag list as the editor has always kept it.
constexpr char kInlineTags[] = "<A><B><U><I><EM><STRONG><NOBR>";
constexpr int kDefaultBaseFontSize = 16;
constexpr int kSmallestBaseFontSize = 4;

bool IsInline(const Element& element)
{
    char tag[64];
    std::snprintf(tag, sizeof tag, "<%s>", element.TagName().c_str());
    return std::strstr(kInlineTags, tag) != nullptr;
}

Element* FirstNonInlineFrom(Element* element)
{
    for (; element; element = element->ParentElement()) {
        if (!IsInline(*element))
            return element;
    }
    return nullptr;
}

void ApplyPixelSize(Element& element, const std::u16string& size)
{
    if (element.HasTagName("FONT")) {
        std::optional<std::u16string> attribute = element.GetAttribute("size");
        if (attribute && !attribute->empty()) {
            element.RemoveAttribute("size");
            element.SetStyleProperty("font-size", size);
        }
    }
    for (Node* child : std::vector<Node*>(element.Children())) {
        if (Element* childElement = child->AsElement())
            ApplyPixelSize(*childElement, size);
    }
}

} // namespace

long CssLengthToPixels(std::string_view length)
{
    std::string text(length);
    // A length beyond any screen is cut to one that is still absurd, so the
    // scaling below cannot overflow (atol gives LONG_MAX for "1e30in").
    constexpr long kLargestLength = 1L << 24;
    long number = std::clamp(std::atol(text.c_str()), -kLargestLength, kLargestLength);
    if (number == 0)
        return 0;
    auto hasUnit = [&text](const char* unit) {
        std::size_t at = text.find(unit);
        return at != std::string::npos && at > 0;
    };
    if (hasUnit("pt"))
        return number * 4 / 3;
    if (hasUnit("mm"))
        return number * 38 / 10;
    if (hasUnit("cm"))
        return number * 38;
    if (hasUnit("pc"))
        return number * 16;
    if (hasUnit("in"))
        return number * 96;
    return number;
}

int HtmlFontSizeToPixels(int size)
{
    static constexpr int kPixels[] = {10, 14, 16, 18, 24, 32, 48};
    if (size < 1 || size > 7)
        return 0;
    return kPixels[size - 1];
}

bool CHtmlDocument::SetFontSizePixels(int pixels)
{
    Document* document = GetDocument();
    if (!document)
        return false;
    Document::EditStep step(*document, "font size");
    if (!ExecCommand(command::FontSize, CommandValue::String(u"7"), true))
        return false;
    Element* block = FirstNonInlineFrom(GetSelectedElement(false));
    if (!block)
        return false;
    char size[32];
    std::snprintf(size, sizeof size, "%upx", static_cast<unsigned>(pixels));
    ApplyPixelSize(*block, Utf16FromAscii(size));
    return true;
}

int CHtmlDocument::GetFontSizePixels()
{
    Element* element = GetSelectedElement(false);
    while (true) {
        element = FirstNonInlineFrom(element);
        if (!element || !element->HasTagName("FONT"))
            break;
        std::u16string style = element->GetStyleProperty("font-size");
        if (long pixels = CssLengthToPixels(AsciiFromUtf16(style)); pixels != 0)
            return static_cast<int>(pixels);
        std::string size = AsciiFromUtf16(element->GetAttribute("size").value_or(u""));
        if (int pixels = HtmlFontSizeToPixels(std::atoi(size.c_str())); pixels != 0)
            return pixels;
        element = element->ParentElement();
    }
    return BaseFontSizePixels();
}

// Read once per attached document: the toolbar asks on every caret move.
int CHtmlDocument::BaseFontSizePixels()
{
    if (baseFontSize_ != 0)
        return baseFontSize_;
    Document* document = GetDocument();
    if (!document)
        return kDefaultBaseFontSize;
    if (StyleSheets(*document).empty())
        CreateStyleSheet(*document);
    std::u16string size = StyleSheetProperty(*document, "BODY", "font-size");
    long pixels = CssLengthToPixels(AsciiFromUtf16(size));
    baseFontSize_ =
        pixels < kSmallestBaseFontSize ? kDefaultBaseFontSize : static_cast<int>(pixels);
    return baseFontSize_;
}
