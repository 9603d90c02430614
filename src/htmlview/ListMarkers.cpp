// List markers: OL items count from the START attribute (an item's VALUE
// resets the count) in the TYPE's notation; UL bullets change with the
// nesting depth (disc, circle, square) as in browsers.
#include "html/InlineStyle.h"
#include "html/Node.h"
#include "htmlview/BoxBuilder.h"

#include <string>

namespace vellum::html {
namespace {

int IntAttribute(const Element& element, const char* name, int fallback)
{
    auto value = element.FindAttribute(name);
    if (!value)
        return fallback;
    bool ok = false;
    QString text = QString::fromStdString(AsciiFromUtf16(TrimSpace(*value)));
    int number = text.toInt(&ok);
    return ok ? number : fallback;
}

QString Alphabetic(int number, char first)
{
    if (number <= 0)
        return QString::number(number);
    QString letters;
    while (number > 0) {
        --number;
        letters.prepend(QChar(first + number % 26));
        number /= 26;
    }
    return letters;
}

QString Roman(int number, bool upper)
{
    if (number <= 0 || number >= 4000)
        return QString::number(number);
    static const std::pair<int, const char*> kNumerals[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    QString text;
    for (const auto& [value, numeral] : kNumerals) {
        while (number >= value) {
            text += QLatin1String(numeral);
            number -= value;
        }
    }
    return upper ? text.toUpper() : text;
}

QString Numbered(int number, const std::u16string& type)
{
    if (type == u"a")
        return Alphabetic(number, 'a') + '.';
    if (type == u"A")
        return Alphabetic(number, 'A') + '.';
    if (type == u"i")
        return Roman(number, false) + '.';
    if (type == u"I")
        return Roman(number, true) + '.';
    return QString::number(number) + '.';
}

int ListDepth(const Box& list)
{
    int depth = 0;
    for (const Box* b = list.parent; b; b = b->parent) {
        if (b->element && (b->element->TagName() == "UL" || b->element->TagName() == "OL"))
            ++depth;
    }
    return depth;
}

QString Bullet(int depth, const std::u16string& type)
{
    if (type == u"circle" || (type.empty() && depth == 1))
        return QStringLiteral("\u25E6");
    if (type == u"square" || (type.empty() && depth >= 2))
        return QStringLiteral("\u25AA");
    return QStringLiteral("\u2022");
}

// "list-style: none" or "list-style-type: none" on the list or the item.
bool HidesMarker(const Element& element)
{
    for (const char* property : {"list-style-type", "list-style"}) {
        std::u16string value = element.GetStyleProperty(property);
        if (!value.empty() && value.find(u"none") != std::u16string::npos)
            return true;
    }
    return false;
}

} // namespace

void AssignListMarkers(Box& list)
{
    if (!list.element)
        return;
    bool ordered = list.element->TagName() == "OL";
    std::u16string listType = list.element->GetAttribute("type").value_or(u"");
    int counter = ordered ? IntAttribute(*list.element, "start", 1) : 0;
    int depth = ordered ? 0 : ListDepth(list);
    bool unmarked = HidesMarker(*list.element);
    for (auto& child : list.children) {
        if (!child->element || child->element->TagName() != "LI")
            continue;
        if (unmarked || HidesMarker(*child->element)) {
            child->marker.clear();
            ++counter;
            continue;
        }
        std::u16string type = child->element->GetAttribute("type").value_or(listType);
        if (!ordered) {
            child->marker = Bullet(depth, type);
            continue;
        }
        counter = IntAttribute(*child->element, "value", counter);
        child->marker = Numbered(counter, type);
        ++counter;
    }
}

} // namespace vellum::html
