// The computed style of a box or an inline run: what the layout needs of
// CSS, worked out from the ordinary browser defaults of each tag, the
// presentational attributes (FONT, ALIGN, BGCOLOR), the style sheets' rules
// and the "style" attribute, in that order of strength.
//
// Only inherited properties (text, and the spacing between a table's
// cells) and the background live here, so that the style stays small; the box model of a block
// (margins, padding, borders, sizes) is worked out by the box builder from the same declarations.
#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>
#include <QTextCharFormat>

#include <string_view>

namespace vellum::html {

class AppliedDeclarations;
class Cascade;
class Element;

enum class TextAlign { Left, Center, Right, Justify };
enum class BaselineShift { None, Sub, Super };

struct LayoutStyle
{
    QStringList families; // empty: the module's default face
    qreal pixelSize = 13;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool monospace = false;
    bool preformatted = false;
    QColor color = Qt::black;
    QColor background; // invalid: transparent
    // Line height in pixels, or (when `lineHeightScale` is set) a multiple
    // of each element's own font size; both unset: the font's own.
    qreal lineHeight = -1;
    qreal lineHeightScale = -1;
    qreal letterSpacing = 0;
    // "border-spacing" across and down; inherited, so an element made a
    // table takes the spacing of the table or the element around it.
    qreal columnSpacing = 0;
    qreal rowSpacing = 0;
    bool hidden = false; // visibility: hidden
    TextAlign align = TextAlign::Left;
    BaselineShift shift = BaselineShift::None;
    Element* link = nullptr; // the A element a run belongs to

    bool operator==(const LayoutStyle&) const = default;
};

// The style of the BODY element: the default face and size (10 pt) under
// what the style sheets (such as the editor's "BODY" font rule) and the
// element give it.
LayoutStyle BodyStyle(const Element* body, const Cascade* cascade);

// The style of `element` whose parent has `parent`. Block-only properties
// (text-align, background of a block) are included; the caller decides
// what a block or an inline run does with them. `cascade` may be null (no
// style sheets).
LayoutStyle StyleFor(const Element& element, const LayoutStyle& parent, const Cascade* cascade);
// The same with the element's declarations already gathered.
LayoutStyle StyleFor(const Element& element, const LayoutStyle& parent,
                     const AppliedDeclarations& declarations);

// The Qt font and character format of a style. Fonts are cached: a large
// body uses a handful of distinct styles thousands of times.
QFont FontFor(const LayoutStyle& style);
QTextCharFormat CharFormatFor(const LayoutStyle& style);

// A CSS or HTML colour ("#ff0000", "red", "rgb(1,2,3)", "rgba(1,2,3,.5)");
// invalid when unreadable.
QColor ParseColor(std::u16string_view text);

// A CSS length in pixels ("12px", "10pt", "1.5em", "50%" of `percentBase`);
// negative when unreadable.
qreal ParseLength(std::u16string_view text, qreal emSize, qreal percentBase);

// The colour among the words of a "background" or "border" shorthand;
// invalid when none is one.
QColor ColorInShorthand(std::u16string_view value);

} // namespace vellum::html
