// Style computation. Attribute and property values are small, so they are
// parsed on the spot; the expensive part, QFont resolution, is cached by
// the style's font-relevant fields.
#include "htmlview/LayoutStyle.h"

#include "html/Cascade.h"
#include "html/Document.h"
#include "html/InlineStyle.h"
#include "html/Node.h"
#include "htmlview/CssWords.h"
#include "platform/ui/Fonts.h"

#include <QHash>
#include <QString>

#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace vellum::html {
namespace {

constexpr qreal kDefaultPixelSize = 13; // 10 pt of "宋体" at 96 dpi

QString ToQString(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

// FONT size="1".."7" in pixels, as browsers draw them.
qreal FontSizeStep(int step)
{
    static constexpr std::array<qreal, 7> kSizes = {10, 13, 16, 18, 24, 32, 48};
    return kSizes[static_cast<std::size_t>(std::clamp(step, 1, 7) - 1)];
}

qreal FontAttributeSize(const QString& value)
{
    QString text = value.trimmed();
    bool ok = false;
    if (text.startsWith('+') || text.startsWith('-')) {
        int delta = text.mid(text.startsWith('+') ? 1 : 0).toInt(&ok);
        return ok ? FontSizeStep(3 + delta) : -1;
    }
    int step = text.toInt(&ok);
    return ok ? FontSizeStep(step) : -1;
}

qreal CssFontSize(std::u16string_view value, qreal parentSize)
{
    QString text = ToQString(TrimSpace(value)).toLower();
    static const QHash<QString, qreal> kKeywords = {
        {"xx-small", 9}, {"x-small", 10}, {"small", 13},   {"medium", 16},
        {"large", 18},   {"x-large", 24}, {"xx-large", 32}};
    if (auto it = kKeywords.find(text); it != kKeywords.end())
        return it.value();
    if (text == "smaller")
        return parentSize / 1.2;
    if (text == "larger")
        return parentSize * 1.2;
    return ParseLength(value, parentSize, parentSize);
}

QStringList FamiliesFrom(const QString& list)
{
    QStringList families;
    for (const QString& part : list.split(',')) {
        QString name = part.trimmed();
        if (name.size() >= 2 && (name.startsWith('"') || name.startsWith('\'')))
            name = name.mid(1, name.size() - 2);
        if (!name.isEmpty())
            families << name;
    }
    return families;
}

TextAlign AlignFrom(const QString& value, TextAlign fallback)
{
    QString text = value.trimmed().toLower();
    if (text == "left")
        return TextAlign::Left;
    if (text == "center" || text == "middle")
        return TextAlign::Center;
    if (text == "right")
        return TextAlign::Right;
    if (text == "justify")
        return TextAlign::Justify;
    return fallback;
}

// What a tag does to the style by default. Every element of a body is
// styled, so its tag is looked up once in a table rather than compared
// against each name in turn.
enum class TagRole {
    None,
    Bold,
    HeaderCell,
    Italic,
    Underline,
    StrikeOut,
    Sub,
    Super,
    Center,
    Preformatted,
    Monospace,
    Small,
    Big,
    Anchor,
    Heading,
    Table,
    Body,
    Font,
    Image
};

TagRole RoleOf(const std::string& tag)
{
    // B, I, U and the like are most of a formatted body's elements.
    if (tag.size() == 1) {
        switch (tag[0]) {
        case 'B':
            return TagRole::Bold;
        case 'I':
            return TagRole::Italic;
        case 'U':
            return TagRole::Underline;
        case 'S':
            return TagRole::StrikeOut;
        case 'A':
            return TagRole::Anchor;
        default:
            return TagRole::None;
        }
    }
    static const std::unordered_map<std::string_view, TagRole> kRoles = {
        {"STRONG", TagRole::Bold},      {"TH", TagRole::HeaderCell},
        {"EM", TagRole::Italic},        {"CITE", TagRole::Italic},
        {"VAR", TagRole::Italic},       {"ADDRESS", TagRole::Italic},
        {"INS", TagRole::Underline},    {"STRIKE", TagRole::StrikeOut},
        {"DEL", TagRole::StrikeOut},    {"SUB", TagRole::Sub},
        {"SUP", TagRole::Super},        {"CENTER", TagRole::Center},
        {"CAPTION", TagRole::Center},   {"PRE", TagRole::Preformatted},
        {"XMP", TagRole::Preformatted}, {"LISTING", TagRole::Preformatted},
        {"TT", TagRole::Monospace},     {"CODE", TagRole::Monospace},
        {"KBD", TagRole::Monospace},    {"SAMP", TagRole::Monospace},
        {"SMALL", TagRole::Small},      {"BIG", TagRole::Big},
        {"H1", TagRole::Heading},       {"H2", TagRole::Heading},
        {"H3", TagRole::Heading},       {"H4", TagRole::Heading},
        {"H5", TagRole::Heading},       {"H6", TagRole::Heading},
        {"TABLE", TagRole::Table},      {"BODY", TagRole::Body},
        {"FONT", TagRole::Font},        {"IMG", TagRole::Image}};
    auto found = kRoles.find(tag);
    return found == kRoles.end() ? TagRole::None : found->second;
}

void ApplyTagDefaults(const Element& element, TagRole role, LayoutStyle& style)
{
    switch (role) {
    case TagRole::Bold:
        style.bold = true;
        break;
    case TagRole::HeaderCell:
        style.bold = true;
        style.align = TextAlign::Center;
        break;
    case TagRole::Italic:
        style.italic = true;
        break;
    case TagRole::Underline:
        style.underline = true;
        break;
    case TagRole::StrikeOut:
        style.strikeOut = true;
        break;
    // Qt shrinks sub- and superscript runs itself, to two thirds.
    case TagRole::Sub:
        style.shift = BaselineShift::Sub;
        break;
    case TagRole::Super:
        style.shift = BaselineShift::Super;
        break;
    case TagRole::Center:
        style.align = TextAlign::Center;
        break;
    case TagRole::Preformatted:
        style.preformatted = true;
        style.monospace = true;
        break;
    case TagRole::Monospace:
        style.monospace = true;
        break;
    case TagRole::Small:
        style.pixelSize = std::round(style.pixelSize / 1.2);
        break;
    case TagRole::Big:
        style.pixelSize = std::round(style.pixelSize * 1.2);
        break;
    case TagRole::Anchor:
        if (element.HasAttribute("href")) {
            style.link = const_cast<Element*>(&element);
            style.color = QColor(0, 0, 255);
            style.underline = true;
        }
        break;
    case TagRole::Heading: {
        static constexpr std::array<qreal, 6> kScale = {2, 1.5, 1.17, 1, 0.83, 0.67};
        style.pixelSize = std::round(style.pixelSize *
                                     kScale[static_cast<std::size_t>(element.TagName()[1] - '1')]);
        style.bold = true;
        break;
    }
    case TagRole::Table:
        // Tables do not inherit alignment in quirks-mode browsers.
        style.align = TextAlign::Left;
        style.columnSpacing = style.rowSpacing = 2;
        break;
    default:
        break;
    }
}

void ApplyAttributes(const Element& element, TagRole role, LayoutStyle& style)
{
    if (element.Attributes().empty())
        return;
    if (role == TagRole::Body) {
        if (auto text = element.FindAttribute("text")) {
            QColor c = ParseColor(*text);
            if (c.isValid())
                style.color = c;
        }
    }
    if (role == TagRole::Font) {
        if (auto face = element.FindAttribute("face"); face && !face->empty())
            style.families = FamiliesFrom(ToQString(*face));
        if (auto size = element.FindAttribute("size")) {
            qreal px = FontAttributeSize(ToQString(*size));
            if (px > 0)
                style.pixelSize = px;
        }
        if (auto color = element.FindAttribute("color")) {
            QColor c = ParseColor(*color);
            if (c.isValid())
                style.color = c;
        }
    }
    if (auto align = element.FindAttribute("align");
        align && role != TagRole::Image && role != TagRole::Table)
        style.align = AlignFrom(ToQString(*align), style.align);
    if (auto bg = element.FindAttribute("bgcolor")) {
        QColor c = ParseColor(*bg);
        if (c.isValid())
            style.background = c;
    }
    if (auto spacing = element.FindAttribute("cellspacing"); spacing && role == TagRole::Table) {
        qreal px = ParseLength(*spacing, 0, -1);
        if (px >= 0)
            style.columnSpacing = style.rowSpacing = px;
    }
}

// "border-spacing: 10px 4px": one length for both directions or two
// (across, then down).
void ApplyBorderSpacing(std::u16string_view value, qreal emSize, LayoutStyle& style)
{
    std::array<qreal, 2> lengths{};
    std::size_t count = 0;
    bool readable = true;
    ForEachCssWord(value, [&](std::u16string_view word) {
        qreal px = count < lengths.size() ? ParseLength(word, emSize, -1) : -1;
        readable = px >= 0;
        if (readable)
            lengths[count++] = px;
        return readable;
    });
    if (!readable || count == 0)
        return;
    style.columnSpacing = lengths[0];
    style.rowSpacing = count == 2 ? lengths[1] : lengths[0];
}

bool IsWeightBold(const QString& value, bool parentBold)
{
    if (value == "bolder")
        return true;
    if (value == "lighter")
        return false;
    if (value == "inherit")
        return parentBold;
    return value == "bold" || value.toInt() >= 600;
}

// "line-height": a plain number scales with each element's font; "normal"
// leaves the font's own.
void ApplyLineHeight(const QString& value, qreal emSize, LayoutStyle& style)
{
    style.lineHeight = style.lineHeightScale = -1;
    if (value == "normal")
        return;
    bool plain = false;
    qreal scale = value.toDouble(&plain);
    if (plain) {
        style.lineHeightScale = scale;
        return;
    }
    qreal px = ParseLength(value.toStdU16String(), emSize, emSize);
    if (px >= 0)
        style.lineHeight = px;
}

// "font: italic bold 12px/1.5 Arial, sans-serif": the size is the first
// word that starts with a digit (or names a size); words before it are the
// style and weight, the rest the families.
void ApplyFontShorthand(const QString& value, qreal parentSize, LayoutStyle& style)
{
    static const QStringList kSizeWords = {"xx-small", "x-small",  "small",   "medium", "large",
                                           "x-large",  "xx-large", "smaller", "larger"};
    QStringList words = value.simplified().split(' ');
    int sizeAt = -1;
    for (int i = 0; i < words.size() && sizeAt < 0; ++i)
        if (words[i].front().isDigit() || words[i].front() == '.' ||
            kSizeWords.contains(words[i].section('/', 0, 0).toLower()))
            sizeAt = i;
    if (sizeAt < 0 || sizeAt + 1 >= words.size())
        return; // a system font name or an unreadable value
    style.italic = style.bold = false;
    for (int i = 0; i < sizeAt; ++i) {
        QString word = words[i].toLower();
        if (word == "italic" || word == "oblique")
            style.italic = true;
        else if (word != "normal" && word != "small-caps")
            style.bold = IsWeightBold(word, false);
    }
    QString size = words[sizeAt].section('/', 0, 0);
    QString lineHeight = words[sizeAt].section('/', 1);
    qreal px = CssFontSize(size.toStdU16String(), parentSize);
    if (px >= 0)
        style.pixelSize = px;
    ApplyLineHeight(lineHeight.isEmpty() ? QStringLiteral("normal") : lineHeight.toLower(),
                    style.pixelSize, style);
    style.families = FamiliesFrom(words.mid(sizeAt + 1).join(' '));
}

void ApplyTextDecoration(const QString& value, LayoutStyle& style)
{
    if (value.contains("none"))
        style.underline = style.strikeOut = false;
    if (value.contains("underline"))
        style.underline = true;
    if (value.contains("line-through"))
        style.strikeOut = true;
}

// The properties kept in the style; every other one belongs to the box
// builder or is not drawn. "inherit" takes the parent's value.
void ApplyDeclaration(const Declaration& declaration, const LayoutStyle& parent, LayoutStyle& style)
{
    const std::string& name = declaration.property;
    // Most declarations of a sheet are box properties, which the box
    // builder reads: they are passed over before their value is converted.
    static const std::unordered_set<std::string_view> kTextProperties = {
        "font-size",       "font-family",          "font",
        "color",           "background-color",     "background",
        "text-align",      "font-weight",          "font-style",
        "text-decoration", "text-decoration-line", "line-height",
        "letter-spacing",  "visibility",           "white-space",
        "border-spacing"};
    if (!kTextProperties.contains(name))
        return;
    const std::u16string& raw = declaration.value;
    QString value = ToQString(TrimSpace(raw)).toLower();
    if (value == "inherit") {
        if (name == "font-size")
            style.pixelSize = parent.pixelSize;
        else if (name == "font-family")
            style.families = parent.families;
        else if (name == "color")
            style.color = parent.color;
        else if (name == "background-color" || name == "background")
            style.background = parent.background;
        else if (name == "font-weight")
            style.bold = parent.bold;
        else if (name == "font-style")
            style.italic = parent.italic;
        else if (name == "text-align")
            style.align = parent.align;
        else if (name == "border-spacing") {
            style.columnSpacing = parent.columnSpacing;
            style.rowSpacing = parent.rowSpacing;
        }
        return;
    }
    if (name == "font-size") {
        qreal px = CssFontSize(raw, parent.pixelSize);
        if (px >= 0)
            style.pixelSize = px;
    } else if (name == "font-family") {
        style.families = FamiliesFrom(ToQString(raw));
    } else if (name == "font") {
        ApplyFontShorthand(ToQString(raw), parent.pixelSize, style);
    } else if (name == "color") {
        QColor c = ParseColor(raw);
        if (c.isValid())
            style.color = c;
    } else if (name == "background-color") {
        QColor c = ParseColor(raw);
        if (c.isValid() || value == "transparent")
            style.background = c.alpha() == 0 ? QColor() : c;
    } else if (name == "background") {
        QColor c = ColorInShorthand(raw);
        style.background = c.isValid() && c.alpha() > 0 ? c : QColor();
    } else if (name == "text-align") {
        style.align = AlignFrom(value, style.align);
    } else if (name == "font-weight") {
        style.bold = IsWeightBold(value, parent.bold);
    } else if (name == "font-style") {
        style.italic = value == "italic" || value == "oblique";
    } else if (name == "text-decoration" || name == "text-decoration-line") {
        ApplyTextDecoration(value, style);
    } else if (name == "line-height") {
        ApplyLineHeight(value, style.pixelSize, style);
    } else if (name == "letter-spacing") {
        qreal px = value == "normal" ? 0 : ParseLength(raw, style.pixelSize, 0);
        if (px >= 0)
            style.letterSpacing = px;
    } else if (name == "border-spacing") {
        ApplyBorderSpacing(raw, style.pixelSize, style);
    } else if (name == "visibility") {
        style.hidden = value == "hidden" || value == "collapse";
    } else if (name == "white-space") {
        style.preformatted = value == "pre" || value == "pre-wrap";
    }
}

int ChannelFrom(const QString& text)
{
    QString t = text.trimmed();
    if (t.endsWith('%'))
        return std::clamp(qRound(t.chopped(1).toDouble() * 2.55), 0, 255);
    return std::clamp(t.toInt(), 0, 255);
}

// An installed face that looks like a Windows one the body asks for. Arial,
// Helvetica, Times New Roman and Courier New go to the Liberation faces,
// which have their widths to the pixel, as Chromium's fontconfig maps them,
// so lines break where the author's browser breaks them.
QString SubstituteFamily(const QString& family)
{
    static const QHash<QString, QString> kSubstitutes = {{"courier new", "Liberation Mono"},
                                                         {"courier", "Liberation Mono"},
                                                         {"consolas", "DejaVu Sans Mono"},
                                                         {"lucida console", "DejaVu Sans Mono"},
                                                         {"monospace", "DejaVu Sans Mono"},
                                                         {"fixedsys", "DejaVu Sans Mono"},
                                                         {"times new roman", "Liberation Serif"},
                                                         {"times", "Liberation Serif"},
                                                         {"georgia", "DejaVu Serif"},
                                                         {"serif", "DejaVu Serif"},
                                                         {"arial", "Liberation Sans"},
                                                         {"helvetica", "Liberation Sans"},
                                                         {"verdana", "DejaVu Sans"},
                                                         {"tahoma", "DejaVu Sans"},
                                                         {"sans-serif", "DejaVu Sans"},
                                                         {"segoe ui", "DejaVu Sans"}};
    return kSubstitutes.value(family.toLower());
}

struct FontKey
{
    QStringList families;
    int pixelSize;
    bool bold, italic, underline, strikeOut, monospace;
    bool operator==(const FontKey&) const = default;
};

size_t qHash(const FontKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.families.join(','), key.pixelSize, key.bold, key.italic,
                      key.underline, key.strikeOut, key.monospace);
}

QColor ReadColor(std::u16string_view text)
{
    QString value = ToQString(TrimSpace(text)).toLower();
    if ((value.startsWith("rgb(") || value.startsWith("rgba(")) && value.endsWith(')')) {
        qsizetype open = value.indexOf('(');
        QString inside = value.mid(open + 1, value.size() - open - 2);
        inside.replace('/', ',');
        QStringList parts =
            inside.contains(',') ? inside.split(',') : inside.simplified().split(' ');
        if (parts.size() != 3 && parts.size() != 4)
            return {};
        QColor color(ChannelFrom(parts[0]), ChannelFrom(parts[1]), ChannelFrom(parts[2]));
        if (parts.size() == 4) {
            QString alpha = parts[3].trimmed();
            qreal a = alpha.endsWith('%') ? alpha.chopped(1).toDouble() / 100 : alpha.toDouble();
            color.setAlphaF(static_cast<float>(std::clamp<qreal>(a, 0, 1)));
        }
        return color;
    }
    // Mail bodies often carry colours without the "#".
    if (value.size() == 6 && !value.startsWith('#')) {
        bool hex = false;
        value.toUInt(&hex, 16);
        if (hex)
            value.prepend('#');
    }
    QColor color = QColor::fromString(value);
    return color;
}

} // namespace

QColor ParseColor(std::u16string_view text)
{
    // A body names the same few colours over and over (a FONT color=red per
    // paragraph), so each text is read once per thread. Hostile mail can
    // invent any number of them, so the memo stops growing at a bound.
    constexpr std::size_t kMaxColours = 256;
    thread_local std::unordered_map<std::u16string, QColor> known;
    std::u16string key(text); // short names and "#rrggbb" need no allocation
    if (auto found = known.find(key); found != known.end())
        return found->second;
    QColor color = ReadColor(text);
    if (known.size() < kMaxColours)
        known.emplace(std::move(key), color);
    return color;
}

qreal ParseLength(std::u16string_view text, qreal emSize, qreal percentBase)
{
    // Every margin, padding and border width of every box comes through
    // here, so the text is read as ASCII in place, without a QString.
    std::string value;
    for (char16_t c : TrimSpace(text)) {
        if (c > 0x7f)
            return -1;
        value += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    struct Unit
    {
        std::string_view suffix;
        qreal factor;
    };
    const Unit units[] = {
        {"px", 1},  {"pt", 96.0 / 72}, {"em", emSize},    {"%", percentBase / 100},
        {"pc", 16}, {"in", 96},        {"cm", 96 / 2.54}, {"mm", 96 / 25.4}};
    std::string_view number = value;
    qreal factor = 1;
    for (const Unit& unit : units) {
        if (number.ends_with(unit.suffix)) {
            number.remove_suffix(unit.suffix.size());
            factor = unit.factor;
            break;
        }
    }
    while (!number.empty() && (number.back() == ' ' || number.back() == '\t'))
        number.remove_suffix(1);
    if (number.starts_with('+'))
        number.remove_prefix(1);
    double parsed = 0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), parsed);
    bool ok = !number.empty() && error == std::errc() && end == number.data() + number.size() &&
              std::isfinite(parsed);
    return ok && parsed >= 0 ? parsed * factor : -1;
}

// The shorthand's first word that is a colour ("background: url(x) #fff").
QColor ColorInShorthand(std::u16string_view value)
{
    QColor color;
    ForEachCssWord(value, [&color](std::u16string_view word) {
        word = TrimSpace(word);
        if (word.empty() || word.starts_with(u"url("))
            return true;
        color = ParseColor(word);
        return !color.isValid();
    });
    return color.isValid() ? color : QColor();
}

LayoutStyle BodyStyle(const Element* body, const Cascade* cascade)
{
    LayoutStyle style;
    style.pixelSize = kDefaultPixelSize;
    if (body)
        style = StyleFor(*body, style, cascade);
    return style;
}

LayoutStyle StyleFor(const Element& element, const LayoutStyle& parent, const Cascade* cascade)
{
    return StyleFor(element, parent, AppliedDeclarations(element, cascade));
}

LayoutStyle StyleFor(const Element& element, const LayoutStyle& parent,
                     const AppliedDeclarations& declarations)
{
    LayoutStyle style = parent;
    style.background = QColor(); // not inherited: painted by the parent
    const TagRole role = RoleOf(element.TagName());
    ApplyTagDefaults(element, role, style);
    ApplyAttributes(element, role, style);
    for (const Declaration* declaration : declarations.InOrder())
        ApplyDeclaration(*declaration, parent, style);
    if (style.lineHeightScale >= 0)
        style.lineHeight = style.lineHeightScale * style.pixelSize;
    return style;
}

QFont FontFor(const LayoutStyle& style)
{
    static QHash<FontKey, QFont> cache;
    FontKey key{style.families,  qMax(1, qRound(style.pixelSize)),
                style.bold,      style.italic,
                style.underline, style.strikeOut,
                style.monospace};
    if (auto it = cache.constFind(key); it != cache.constEnd())
        return it.value();
    ui::FontRequest request;
    QStringList wanted = style.families;
    if (style.monospace)
        wanted.prepend("Courier New");
    if (!wanted.isEmpty())
        request.faceUtf8 = wanted.front().toStdString();
    request.pixelHeight = key.pixelSize;
    request.bold = style.bold;
    request.italic = style.italic;
    request.underline = style.underline;
    request.strikeOut = style.strikeOut;
    QFont font = ui::MakeFont(request);
    if (!wanted.isEmpty()) {
        // The faces asked for, each followed by an installed look-alike,
        // then the CJK fallbacks for the characters they lack.
        QStringList families;
        for (const QString& family : wanted) {
            families << family;
            QString substitute = SubstituteFamily(family);
            if (!substitute.isEmpty() && !families.contains(substitute))
                families << substitute;
        }
        for (const QString& family : font.families().mid(1))
            if (!families.contains(family))
                families << family;
        font.setFamilies(families);
    }
    cache.insert(key, font);
    return font;
}

QTextCharFormat CharFormatFor(const LayoutStyle& style)
{
    QTextCharFormat format;
    QFont font = FontFor(style);
    if (style.letterSpacing > 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, style.letterSpacing);
    format.setFont(font, QTextCharFormat::FontPropertiesAll);
    format.setForeground(style.hidden ? QColor(Qt::transparent) : style.color);
    if (style.background.isValid())
        format.setBackground(style.background);
    if (style.shift == BaselineShift::Sub)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    else if (style.shift == BaselineShift::Super)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    return format;
}

} // namespace vellum::html
