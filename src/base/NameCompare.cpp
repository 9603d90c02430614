// Name comparison in the manner of a multibyte-aware case-insensitive compare:
// in a double-byte code page a lead byte and the byte after it form one
// character and are compared as they are.
#include "base/NameCompare.h"

#include "platform/text/CodePage.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace {

// Code pages whose non-ASCII characters are a lead byte (0x81..0xFE) and a
// trail byte that may fall in the ASCII letter range.
bool IsDoubleByteCodePage(std::string_view name)
{
    static const std::array<std::string_view, 12> kDoubleByte = {
        "GBK",   "GB2312",     "GB18030",   "CP936", "EUC-CN", "BIG5",
        "CP950", "BIG5-HKSCS", "SHIFT_JIS", "SJIS",  "CP932",  "CP949"};
    std::string upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return std::find(kDoubleByte.begin(), kDoubleByte.end(), upper) != kDoubleByte.end();
}

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool SameNameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    const bool doubleByte = IsDoubleByteCodePage(vellum::text::HostCodePage());
    for (size_t i = 0; i < a.size(); ++i) {
        auto lead = static_cast<unsigned char>(a[i]);
        if (doubleByte && lead >= 0x81 && lead <= 0xFE && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
            ++i;
            continue;
        }
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return true;
}
