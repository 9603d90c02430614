// Conversions go through UTF-16, which both QString and the code page layer
// speak, so no character is decoded twice.
#include "platform/ui/QtText.h"

#include "platform/text/CodePage.h"

namespace vellum::ui {

QString ToQString(std::string_view hostText)
{
    std::u16string utf16 = text::ToUtf16(hostText);
    return QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size()));
}

std::string FromQString(const QString& text)
{
    return text::FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                               static_cast<size_t>(text.size())));
}

} // namespace vellum::ui
