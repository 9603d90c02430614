// Font sizes in pixels. The engine's font-size command knows only the HTML
// sizes 1-7, so setting a pixel size marks the selection with size 7 first
// and then rewrites every sized FONT of the block into an inline style.
// Reading follows what the view shows: the text's own size or the one it
// inherits (a FONT's Size, a font-size style on any element, a cell's or a
// table's too), and at the top the size the style sheet gives BODY.
#include "editor/HtmlDocument.h"
#include "html/Document.h"
#include "html/InlineStyle.h"
#include "html/StyleSheet.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

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

// A FONT Size: "1"-"7", or relative to the default 3 ("+2", "-1").
int HtmlFontSizeStep(const std::string& size)
{
    int step = std::atoi(size.c_str());
    if (!size.empty() && (size[0] == '+' || size[0] == '-'))
        return std::clamp(3 + step, 1, 7);
    return step;
}

// A font-size style in pixels, 0 when there is none: keywords and the
// lengths relative to the inherited size (em, %) as the view reads them,
// other lengths by CssLengthToPixels.
int DeclaredFontSize(std::u16string_view declared, int inherited)
{
    std::string value = AsciiFromUtf16(TrimSpace(declared));
    std::transform(value.begin(), value.end(), value.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    static const std::pair<const char*, int> kKeywords[] = {
        {"xx-small", 9}, {"x-small", 10}, {"small", 13},   {"medium", 16},
        {"large", 18},   {"x-large", 24}, {"xx-large", 32}};
    for (const auto& [keyword, pixels] : kKeywords)
        if (value == keyword)
            return pixels;
    if (value == "smaller")
        return inherited * 5 / 6;
    if (value == "larger")
        return inherited * 6 / 5;
    const double number = std::atof(value.c_str());
    if (value.ends_with("em") && !value.ends_with("rem"))
        return static_cast<int>(number * inherited + 0.5);
    if (value.ends_with("%"))
        return static_cast<int>(number * inherited / 100 + 0.5);
    return static_cast<int>(CssLengthToPixels(value));
}

// The size an element gives its text, or the inherited one: a font-size
// style first, then a FONT's Size.
int OwnFontSize(const Element& element, int inherited)
{
    if (int pixels = DeclaredFontSize(element.GetStyleProperty("font-size"), inherited); pixels > 0)
        return pixels;
    if (element.HasTagName("FONT")) {
        std::string size = AsciiFromUtf16(element.GetAttribute("size").value_or(u""));
        if (int pixels = HtmlFontSizeToPixels(HtmlFontSizeStep(size)); pixels != 0)
            return pixels;
    }
    return inherited;
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
    return ShownFontSize(GetSelectedElement(false));
}

// Worked out from the top down, as the view inherits sizes.
int CHtmlDocument::ShownFontSize(const Element* element)
{
    std::vector<const Element*> chain;
    for (; element && !element->HasTagName("HTML"); element = element->ParentElement())
        chain.push_back(element);
    int size = BaseFontSizePixels();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        size = OwnFontSize(**it, size);
    return size;
}

// Read once per attached document: the toolbar asks on every caret move.
int CHtmlDocument::BaseFontSizePixels()
{
    if (baseFontSize_ != 0)
        return baseFontSize_;
    Document* document = GetDocument();
    if (!document)
        return kDefaultBaseFontSize;
    // The sheet is made to be read, not as an edit: it must not be an undo
    // step of its own (one Undo that shows nothing) nor break a typing run.
    if (StyleSheets(*document).empty()) {
        Document::FollowUpStep followUp(*document);
        CreateStyleSheet(*document);
    }
    std::u16string size = StyleSheetProperty(*document, "BODY", "font-size");
    long pixels = CssLengthToPixels(AsciiFromUtf16(size));
    baseFontSize_ =
        pixels < kSmallestBaseFontSize ? kDefaultBaseFontSize : static_cast<int>(pixels);
    return baseFontSize_;
}
