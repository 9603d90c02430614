// Lengths in em use the box's own font size; percentages of margins and
// padding are kept as such, since the container's width they are of is
// known only at layout. A border side is drawn only when a style other
// than none is given for it, as CSS has it; its width defaults to medium
// (3 px) and its colour to the text's. A table's height counts its
// borders, as browsers size tables, and collapsed borders have no spacing
// between them, whatever "border-spacing" the style has.
#include "htmlview/BoxDeclarations.h"

#include "html/Cascade.h"
#include "html/InlineStyle.h"
#include "htmlview/CssWords.h"
#include "htmlview/LayoutBox.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <string_view>

namespace vellum::html {
namespace {

enum Side { Top, Right, Bottom, Left };

qreal& EdgeOf(Edges& edges, int side)
{
    switch (side) {
    case Top:
        return edges.top;
    case Right:
        return edges.right;
    case Bottom:
        return edges.bottom;
    default:
        return edges.left;
    }
}

int SideNamed(std::string_view name)
{
    static constexpr std::array<std::string_view, 4> kNames = {"top", "right", "bottom", "left"};
    auto found = std::find(kNames.begin(), kNames.end(), name);
    return found == kNames.end() ? -1 : static_cast<int>(found - kNames.begin());
}

// Words split at white space outside parentheses. Every box declaration
// is split, so the few words a box property has are kept in place; words
// past the eighth (no valid value has them) are dropped.
struct Words
{
    explicit Words(std::u16string_view value)
    {
        ForEachCssWord(value, [this](std::u16string_view word) {
            if (count < words.size())
                words[count++] = word;
            return count < words.size();
        });
    }
    auto begin() const { return words.begin(); }
    auto end() const { return words.begin() + static_cast<std::ptrdiff_t>(count); }
    std::size_t size() const { return count; }
    std::u16string_view operator[](std::size_t i) const { return words[i]; }

    std::array<std::u16string_view, 8> words;
    std::size_t count = 0;
};

// The four sides' values of a one-to-four value shorthand.
std::array<std::u16string_view, 4> FourSides(std::u16string_view value)
{
    Words w(value);
    switch (w.size()) {
    case 1:
        return {w[0], w[0], w[0], w[0]};
    case 2:
        return {w[0], w[1], w[0], w[1]};
    case 3:
        return {w[0], w[1], w[2], w[1]};
    case 0:
        return {};
    default:
        return {w[0], w[1], w[2], w[3]};
    }
}

std::string Lower(std::u16string_view text)
{
    std::string out = AsciiFromUtf16(TrimSpace(text));
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
}

struct BorderSide
{
    bool given = false;
    qreal width = 3;
    bool visible = false;
    BorderLine line = BorderLine::Solid;
    QColor color;
};

class BoxReader
{
public:
    explicit BoxReader(Box& box) : box_(box), em_(box.style.pixelSize) {}

    void Read(const Declaration& declaration)
    {
        const std::string& name = declaration.property;
        std::u16string_view value = declaration.value;
        if (name == "margin" || name == "padding") {
            auto sides = FourSides(value);
            for (int side = Top; side <= Left; ++side)
                SetSpacing(name, side, sides[static_cast<std::size_t>(side)]);
        } else if (name.starts_with("margin-") || name.starts_with("padding-")) {
            std::size_t dash = name.find('-');
            int side = SideNamed(std::string_view(name).substr(dash + 1));
            if (side >= 0)
                SetSpacing(name.substr(0, dash), side, value);
        } else if (name == "border-spacing") {
            return; // inherited, so read into the style
        } else if (name.starts_with("border")) {
            ReadBorder(name, value);
        } else if (name == "width") {
            ReadWidth(value);
        } else if (name == "max-width") {
            qreal px = ParseLength(value, em_, -1);
            if (px >= 0)
                box_.maxWidth = px;
        } else if (name == "height" || name == "min-height") {
            qreal px = ParseLength(value, em_, -1);
            if (px >= 0)
                height_ = std::max(height_, px);
        } else if (name == "vertical-align") {
            std::string word = Lower(value);
            CellAlign& align = box_.cell ? box_.cell->verticalAlign : box_.inlineAlign;
            align = word == "top"                      ? CellAlign::Top
                    : word == "bottom"                 ? CellAlign::Bottom
                    : word == "middle"                 ? CellAlign::Middle
                    : word == "baseline" && !box_.cell ? CellAlign::Unset
                                                       : align;
        }
    }

    void Finish()
    {
        for (int side = Top; side <= Left; ++side) {
            const BorderSide& border = borders_[static_cast<std::size_t>(side)];
            if (!border.given)
                continue;
            box_.flatBorders = true;
            EdgeOf(box_.border, side) = border.visible ? border.width : 0;
        }
        if (box_.flatBorders)
            for (int side = Top; side <= Left; ++side) {
                const BorderSide& border = borders_[static_cast<std::size_t>(side)];
                box_.sideColors[static_cast<std::size_t>(side)] = !border.given ? box_.borderColor
                                                                  : border.color.isValid()
                                                                      ? border.color
                                                                      : box_.style.color;
                box_.sideLines[static_cast<std::size_t>(side)] = border.line;
            }
        if (height_ >= 0)
            box_.specifiedHeight =
                height_ + (box_.table ? 0 : box_.border.Vertical() + box_.padding.Vertical());
        if (collapse_ && box_.table) {
            box_.table->columnSpacing = box_.table->rowSpacing = 0;
            box_.table->collapse = true;
        }
    }

private:
    void SetSpacing(std::string_view property, int side, std::u16string_view value)
    {
        bool margin = property == "margin";
        if (margin && Lower(value) == "auto") {
            EdgeOf(box_.margin, side) = 0;
            if (side == Left)
                box_.autoMarginLeft = true;
            if (side == Right)
                box_.autoMarginRight = true;
            return;
        }
        std::u16string_view text = TrimSpace(value);
        bool percent = text.ends_with(u'%');
        qreal px = ParseLength(percent ? text.substr(0, text.size() - 1) : text, em_, 0);
        if (px < 0)
            return;
        if (percent || box_.percentSides) {
            if (!box_.percentSides)
                box_.percentSides = std::make_unique<PercentSides>();
            auto& percents = margin ? box_.percentSides->margin : box_.percentSides->padding;
            percents[static_cast<std::size_t>(side)] = percent ? px : -1;
        }
        EdgeOf(margin ? box_.margin : box_.padding, side) = percent ? 0 : px;
        if (margin && side == Left)
            box_.autoMarginLeft = false;
        if (margin && side == Right)
            box_.autoMarginRight = false;
    }

    void ReadWidth(std::u16string_view value)
    {
        std::u16string_view text = TrimSpace(value);
        qreal pixels = -1, percent = -1;
        if (text.ends_with(u'%'))
            percent = ParseLength(text.substr(0, text.size() - 1), 0, 0);
        else
            pixels = ParseLength(text, em_, -1);
        if (pixels < 0 && percent < 0 && Lower(text) != "auto")
            return; // unreadable; "auto" undoes a width given before
        qreal& boxPixels = box_.table  ? box_.table->specifiedWidth
                           : box_.cell ? box_.cell->specifiedWidth
                                       : box_.specifiedWidth;
        qreal& boxPercent = box_.table  ? box_.table->percentWidth
                            : box_.cell ? box_.cell->percentWidth
                                        : box_.percentWidth;
        boxPixels = pixels;
        boxPercent = percent;
    }

    void ReadBorder(const std::string& name, std::u16string_view value)
    {
        if (name == "border-collapse") {
            collapse_ = Lower(value) == "collapse";
            return;
        }
        std::string_view rest = std::string_view(name).substr(6); // after "border"
        int side = -1;
        if (rest.starts_with('-')) {
            std::string_view part = rest.substr(1, rest.find('-', 1) - 1);
            side = SideNamed(part);
            if (side >= 0)
                rest = rest.substr(1 + part.size());
        }
        if (rest.empty()) { // "border" or "border-top": the whole shorthand
            for (int s = Top; s <= Left; ++s)
                if (side < 0 || s == side)
                    ReadBorderShorthand(borders_[static_cast<std::size_t>(s)], value);
            return;
        }
        // "-width", "-style", "-color": one value per side, or four.
        std::array<std::u16string_view, 4> values;
        if (side >= 0)
            values[static_cast<std::size_t>(side)] = value;
        else
            values = FourSides(value);
        for (int s = Top; s <= Left; ++s) {
            std::u16string_view one = values[static_cast<std::size_t>(s)];
            if (one.empty())
                continue;
            BorderSide& border = borders_[static_cast<std::size_t>(s)];
            border.given = true;
            if (rest == "-width")
                ReadBorderWidth(border, one);
            else if (rest == "-style")
                ReadBorderStyle(border, one);
            else if (rest == "-color")
                border.color = ParseColor(one);
        }
    }

    static bool ReadBorderStyle(BorderSide& border, std::u16string_view word)
    {
        static constexpr std::string_view kStyles[] = {"none",   "hidden", "solid",  "dotted",
                                                       "dashed", "double", "groove", "ridge",
                                                       "inset",  "outset"};
        std::string style = Lower(word);
        auto found = std::find(std::begin(kStyles), std::end(kStyles), style);
        if (found == std::end(kStyles))
            return false;
        border.visible = found - std::begin(kStyles) >= 2;
        border.line = style == "dotted"   ? BorderLine::Dotted
                      : style == "dashed" ? BorderLine::Dashed
                      : style == "double" ? BorderLine::Double
                                          : BorderLine::Solid;
        return true;
    }

    bool ReadBorderWidth(BorderSide& border, std::u16string_view word) const
    {
        std::string keyword = Lower(word);
        qreal px = keyword == "thin" ? 1 : keyword == "medium" ? 3 : keyword == "thick" ? 5 : -1;
        if (px < 0)
            px = ParseLength(word, em_, -1);
        if (px < 0)
            return false;
        border.width = px;
        return true;
    }

    void ReadBorderShorthand(BorderSide& border, std::u16string_view value) const
    {
        border = BorderSide{};
        border.given = true;
        for (std::u16string_view word : Words(value)) {
            if (ReadBorderStyle(border, word) || ReadBorderWidth(border, word))
                continue;
            border.color = ParseColor(word);
        }
    }

    Box& box_;
    qreal em_;
    std::array<BorderSide, 4> borders_;
    qreal height_ = -1;
    bool collapse_ = false;
};

} // namespace

void ApplyBoxDeclarations(Box& box, const AppliedDeclarations& declarations)
{
    if (declarations.Empty())
        return;
    BoxReader reader(box);
    for (const Declaration* declaration : declarations.InOrder())
        reader.Read(*declaration);
    reader.Finish();
}

} // namespace vellum::html
