// Style computation. Attribute and property values are small, so they are
// parsed on the spot; the expensive part, QFont resolution, is cached by
// the style's font-relevant fields.
#include "htmlview/LayoutStyle.h"

#include "html/Document.h"
#include "html/InlineStyle.h"
#include "html/Node.h"
#include "html/StyleSheet.h"
#include "platform/ui/Fonts.h"

#include <QHash>
#include <QString>

#include <array>
#include <cmath>
#include <string>
#include <string_view>
#include <unordered_map>

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
}

void ApplyInlineStyle(const Element& element, LayoutStyle& style, qreal parentSize)
{
    auto styleText = element.FindAttribute("style");
    if (!styleText || styleText->empty())
        return;
    InlineStyle declarations(*styleText);
    for (const auto& [name, value] : declarations.Declarations()) {
        if (NamesEqual(name, "font-size")) {
            qreal px = CssFontSize(value, parentSize);
            if (px > 0)
                style.pixelSize = px;
        } else if (NamesEqual(name, "font-family")) {
            style.families = FamiliesFrom(ToQString(value));
        } else if (NamesEqual(name, "color")) {
            QColor c = ParseColor(value);
            if (c.isValid())
                style.color = c;
        } else if (NamesEqual(name, "background-color") || NamesEqual(name, "background")) {
            QColor c = ParseColor(value);
            if (c.isValid())
                style.background = c;
        } else if (NamesEqual(name, "text-align")) {
            style.align = AlignFrom(ToQString(value), style.align);
        } else if (NamesEqual(name, "font-weight")) {
            QString v = ToQString(TrimSpace(value)).toLower();
            style.bold = v == "bold" || v == "bolder" || v.toInt() >= 600;
        } else if (NamesEqual(name, "font-style")) {
            QString v = ToQString(TrimSpace(value)).toLower();
            style.italic = v == "italic" || v == "oblique";
        } else if (NamesEqual(name, "text-decoration")) {
            QString v = ToQString(TrimSpace(value)).toLower();
            if (v.contains("none"))
                style.underline = style.strikeOut = false;
            if (v.contains("underline"))
                style.underline = true;
            if (v.contains("line-through"))
                style.strikeOut = true;
        }
    }
}

int ChannelFrom(const QString& text)
{
    QString t = text.trimmed();
    if (t.endsWith('%'))
        return std::clamp(qRound(t.chopped(1).toDouble() * 2.55), 0, 255);
    return std::clamp(t.toInt(), 0, 255);
}

// An installed face that looks like a Windows one the body asks for.
QString SubstituteFamily(const QString& family)
{
    static const QHash<QString, QString> kSubstitutes = {{"courier new", "DejaVu Sans Mono"},
                                                         {"courier", "DejaVu Sans Mono"},
                                                         {"consolas", "DejaVu Sans Mono"},
                                                         {"lucida console", "DejaVu Sans Mono"},
                                                         {"monospace", "DejaVu Sans Mono"},
                                                         {"fixedsys", "DejaVu Sans Mono"},
                                                         {"times new roman", "DejaVu Serif"},
                                                         {"times", "DejaVu Serif"},
                                                         {"georgia", "DejaVu Serif"},
                                                         {"serif", "DejaVu Serif"},
                                                         {"arial", "DejaVu Sans"},
                                                         {"helvetica", "DejaVu Sans"},
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
    if (value.startsWith("rgb(") && value.endsWith(')')) {
        QStringList parts = value.mid(4, value.size() - 5).split(',');
        if (parts.size() != 3)
            return {};
        return QColor(ChannelFrom(parts[0]), ChannelFrom(parts[1]), ChannelFrom(parts[2]));
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
    QString value = ToQString(TrimSpace(text)).toLower();
    struct Unit
    {
        const char* suffix;
        qreal factor;
    };
    const Unit units[] = {
        {"px", 1},  {"pt", 96.0 / 72}, {"em", emSize},    {"%", percentBase / 100},
        {"pc", 16}, {"in", 96},        {"cm", 96 / 2.54}, {"mm", 96 / 25.4}};
    for (const Unit& unit : units) {
        if (value.endsWith(QLatin1String(unit.suffix))) {
            bool ok = false;
            qreal number =
                value.chopped(static_cast<qsizetype>(strlen(unit.suffix))).trimmed().toDouble(&ok);
            return ok && number >= 0 ? number * unit.factor : -1;
        }
    }
    bool ok = false;
    qreal number = value.toDouble(&ok);
    return ok && number >= 0 ? number : -1;
}

LayoutStyle BodyStyle(Document& document, const Element* body)
{
    LayoutStyle style;
    style.pixelSize = kDefaultPixelSize;
    std::u16string ruleSize = StyleSheetProperty(document, "BODY", "font-size");
    if (!ruleSize.empty()) {
        qreal px = CssFontSize(ruleSize, kDefaultPixelSize);
        if (px > 0)
            style.pixelSize = px;
    }
    if (body)
        style = StyleFor(*body, style);
    return style;
}

LayoutStyle StyleFor(const Element& element, const LayoutStyle& parent)
{
    LayoutStyle style = parent;
    style.background = QColor(); // not inherited: painted by the parent
    const TagRole role = RoleOf(element.TagName());
    ApplyTagDefaults(element, role, style);
    ApplyAttributes(element, role, style);
    ApplyInlineStyle(element, style, parent.pixelSize);
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
    format.setFont(FontFor(style), QTextCharFormat::FontPropertiesAll);
    format.setForeground(style.color);
    if (style.background.isValid())
        format.setBackground(style.background);
    if (style.shift == BaselineShift::Sub)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    else if (style.shift == BaselineShift::Super)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    return format;
}

} // namespace vellum::html
