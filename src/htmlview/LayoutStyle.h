// The computed style of a box or an inline run: what the layout needs of
// CSS, worked out from the presentational attributes (FONT, ALIGN, BGCOLOR),
// the "style" attribute and the ordinary browser defaults of each tag.
//
// Only inherited text properties live here; the box model of a block
// (margins, padding, borders) is worked out by the box builder.
#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>
#include <QTextCharFormat>

namespace vellum::html {

class Document;
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
    TextAlign align = TextAlign::Left;
    BaselineShift shift = BaselineShift::None;
    Element* link = nullptr; // the A element a run belongs to

    bool operator==(const LayoutStyle&) const = default;
};

// The style of the BODY element: the default face and the size the
// document's "BODY" style rule gives (10 pt otherwise).
LayoutStyle BodyStyle(Document& document, const Element* body);

// The style of `element` whose parent has `parent`. Block-only properties
// (text-align, background of a block) are included; the caller decides
// what a block or an inline run does with them.
LayoutStyle StyleFor(const Element& element, const LayoutStyle& parent);

// The Qt font and character format of a style. Fonts are cached: a large
// body uses a handful of distinct styles thousands of times.
QFont FontFor(const LayoutStyle& style);
QTextCharFormat CharFormatFor(const LayoutStyle& style);

// A CSS or HTML colour ("#ff0000", "red", "rgb(1,2,3)"); invalid when
// unreadable.
QColor ParseColor(std::u16string_view text);

// A CSS length in pixels ("12px", "10pt", "1.5em", "50%" of `percentBase`);
// negative when unreadable.
qreal ParseLength(std::u16string_view text, qreal emSize, qreal percentBase);

} // namespace vellum::html
