// iconv-based conversions for the host code page. Opening an iconv
// descriptor costs far more than converting a short field with it (a grid
// fill converts every cell it reads), so each thread keeps the descriptors
// it opened and resets one before every use; keeping them per thread keeps
// the functions safe to call from any thread.
#include "platform/text/CodePage.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iconv.h>
#include <mutex>
#include <utility>

namespace vellum::text {
namespace {

std::mutex g_codePageMutex;

bool IsUtf8Name(std::string_view name)
{
    std::string lower;
    for (char c : name)
        if (c != '-' && c != '_')
            lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return lower == "utf8";
}

// A Chinese host code page is read and written as GB18030: it is GBK for
// every character GBK has, and it also holds every other one (emoji, rare
// characters of people's names), which GBK would turn into "?".
std::string ConversionName(std::string_view name)
{
    std::string upper;
    for (char c : name)
        if (c != '-' && c != '_')
            upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    for (const char* chinese : {"GBK", "CP936", "GB2312", "EUCCN"})
        if (upper == chinese)
            return "GB18030";
    return std::string(name);
}

// The host code page's name, and whether it names UTF-8, decided once per
// change rather than on every conversion.
struct CodePage
{
    std::string name;
    bool isUtf8;
};

CodePage MakeCodePage(std::string_view name)
{
    return CodePage{ConversionName(name), IsUtf8Name(name)};
}

CodePage& CodePageStorage()
{
    static CodePage codePage = [] {
        const char* env = std::getenv("VELLUM_CODEPAGE");
        return MakeCodePage(env && *env ? env : "GBK");
    }();
    return codePage;
}

bool IsValidScalar(char32_t cp, int extra)
{
    static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    return cp >= kLeast[extra] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

// Decodes one UTF-8 sequence at `pos`, advancing it; invalid input gives
// U+FFFD and advances one byte. Strict: an overlong form (C0 BC for "<"), a
// surrogate or a value above U+10FFFF is invalid, so no byte sequence can
// smuggle in a character that a check on the bytes did not see.
char32_t DecodeUtf8(std::string_view s, size_t& pos)
{
    auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char lead = byte(pos);
    int extra = lead < 0x80           ? 0
                : (lead >> 5) == 0x6  ? 1
                : (lead >> 4) == 0xE  ? 2
                : (lead >> 3) == 0x1E ? 3
                                      : -1;
    if (extra == 0) {
        ++pos;
        return lead;
    }
    if (extra < 0 || pos + extra >= s.size()) {
        ++pos;
        return 0xFFFD;
    }
    char32_t cp = lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (!IsValidScalar(cp, extra)) {
        ++pos;
        return 0xFFFD;
    }
    pos += extra + 1;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// An open descriptor, and whether it gives every ASCII byte back as it is
// (UTF-8 to GBK does; UTF-16 or Shift_JIS's yen sign do not), which lets
// ASCII-only text, most of a mail's fields, skip iconv altogether.
struct Converter
{
    std::string from;
    std::string to;
    iconv_t cd;
    bool keepsAscii;
};

bool KeepsAscii(iconv_t cd)
{
    char ascii[128];
    for (int i = 0; i < 128; ++i)
        ascii[i] = static_cast<char>(i);
    char converted[sizeof ascii];
    char* in = ascii;
    size_t inLeft = sizeof ascii;
    char* out = converted;
    size_t outLeft = sizeof converted;
    size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return rc != static_cast<size_t>(-1) && inLeft == 0 && outLeft == 0 &&
           std::equal(ascii, ascii + sizeof ascii, converted);
}

// Eight bytes at a time: mail bodies run to tens of megabytes of ASCII.
bool IsAscii(std::string_view text)
{
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    std::size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + at, sizeof word);
        if (word & kHighBits)
            return false;
    }
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(at), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The descriptors this thread opened, one per pair of encodings, closed when
// the thread ends. A failed open is not kept, so it is tried again.
class ConverterCache
{
public:
    ConverterCache() = default;
    ConverterCache(const ConverterCache&) = delete;
    ConverterCache& operator=(const ConverterCache&) = delete;
    ~ConverterCache()
    {
        for (const Converter& converter : m_converters)
            iconv_close(converter.cd);
    }

    // A converter from `from` to `to` in its initial state, or null when
    // iconv does not know one of them.
    const Converter* Get(const std::string& from, const std::string& to)
    {
        for (const Converter& converter : m_converters)
            if (converter.from == from && converter.to == to) {
                iconv(converter.cd, nullptr, nullptr, nullptr, nullptr);
                return &converter;
            }
        iconv_t cd = iconv_open(to.c_str(), from.c_str());
        if (cd == reinterpret_cast<iconv_t>(-1))
            return nullptr;
        return &m_converters.emplace_back(Converter{from, to, cd, KeepsAscii(cd)});
    }

private:
    std::deque<Converter> m_converters;
};

// What to do with input the target encoding cannot take.
enum class OnFailure { Replace, Reference };

// Converts `input` from one encoding to another. Undecodable input bytes
// become `replacement` in the target; unencodable characters become either
// `replacement` or a numeric reference (the input must be UTF-8 for that).
const Converter* CachedConverter(const std::string& from, const std::string& to)
{
    thread_local ConverterCache converters;
    return converters.Get(from, to);
}

std::string Convert(std::string_view input, const std::string& from, const std::string& to,
                    std::string_view replacement, OnFailure onFailure)
{
    const Converter* converter = CachedConverter(from, to);
    if (!converter || (converter->keepsAscii && IsAscii(input)))
        return std::string(input);
    iconv_t cd = converter->cd;
    std::string out;
    out.reserve(input.size() * 2);
    char buffer[4096];
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
        if (rc != static_cast<size_t>(-1) || errno == E2BIG)
            continue;
        // EILSEQ or EINVAL: one input character could not be converted. UTF-8
        // input skips the whole character, anything else one byte.
        size_t pos = in - input.data();
        size_t start = pos;
        char32_t cp = from == "UTF-8" ? DecodeUtf8(input, pos) : (++pos, 0xFFFD);
        if (onFailure == OnFailure::Reference)
            out += "&#" + std::to_string(static_cast<unsigned long>(cp)) + ";";
        else
            out += replacement;
        in += pos - start;
        inLeft -= pos - start;
    }
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, outPtr - buffer);
    return out;
}

} // namespace

const std::string& HostCodePage()
{
    std::lock_guard lock(g_codePageMutex);
    return CodePageStorage().name;
}

void SetHostCodePage(std::string_view iconvName)
{
    std::lock_guard lock(g_codePageMutex);
    CodePageStorage() = MakeCodePage(iconvName);
}

std::string HostCodePageError()
{
    const std::string& name = HostCodePage();
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return "VELLUM_CODEPAGE names a code page this system does not know: \"" + name + "\"";
    iconv_close(cd);
    return {};
}

bool IsValidHostText(std::string_view hostBytes)
{
    if (HostCodePageIsUtf8()) {
        for (size_t pos = 0; pos < hostBytes.size();) {
            size_t start = pos;
            if (DecodeUtf8(hostBytes, pos) == 0xFFFD &&
                hostBytes.substr(start, pos - start) != "\xEF\xBF\xBD")
                return false;
        }
        return true;
    }
    // Undecodable bytes come out as U+FFFD, which GB18030 itself can write:
    // a round trip that changes the bytes found one.
    return IsAscii(hostBytes) || FromUtf8(ToUtf8(hostBytes)) == hostBytes;
}

bool HostCodePageIsUtf8()
{
    std::lock_guard lock(g_codePageMutex);
    return CodePageStorage().isUtf8;
}

std::string ToUtf8(std::string_view hostBytes)
{
    if (HostCodePageIsUtf8())
        return Utf16ToUtf8(Utf8ToUtf16(hostBytes));
    return Convert(hostBytes, HostCodePage(), "UTF-8", "\xEF\xBF\xBD", OnFailure::Replace);
}

void MakeUtf8(std::string& hostBytes)
{
    bool unchanged;
    if (HostCodePageIsUtf8()) {
        unchanged = IsAscii(hostBytes) || IsValidHostText(hostBytes);
    } else {
        const Converter* converter = CachedConverter(HostCodePage(), "UTF-8");
        unchanged = !converter || (converter->keepsAscii && IsAscii(hostBytes));
    }
    if (!unchanged)
        hostBytes = ToUtf8(hostBytes);
}

std::string FromUtf8(std::string_view utf8)
{
    if (HostCodePageIsUtf8())
        return std::string(utf8);
    return Convert(utf8, "UTF-8", HostCodePage(), "?", OnFailure::Replace);
}

std::string FromUtf8WithReferences(std::string_view utf8)
{
    if (HostCodePageIsUtf8())
        return std::string(utf8);
    return Convert(utf8, "UTF-8", HostCodePage(), "?", OnFailure::Reference);
}

std::u16string ToUtf16(std::string_view hostBytes)
{
    return Utf8ToUtf16(ToUtf8(hostBytes));
}

std::string FromUtf16(std::u16string_view utf16)
{
    return FromUtf8(Utf16ToUtf8(utf16));
}

// Written through a pointer into a buffer sized for the worst case (one
// unit per byte), with runs of ASCII copied without decoding: HTML bodies
// are mostly ASCII markup.
std::u16string Utf8ToUtf16(std::string_view utf8)
{
    std::u16string out(utf8.size(), u'\0');
    char16_t* write = out.data();
    size_t pos = 0;
    while (pos < utf8.size()) {
        if (static_cast<unsigned char>(utf8[pos]) < 0x80) {
            *write++ = static_cast<char16_t>(utf8[pos++]);
            continue;
        }
        char32_t cp = DecodeUtf8(utf8, pos);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            *write++ = static_cast<char16_t>(0xD800 + (cp >> 10));
            *write++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            *write++ = static_cast<char16_t>(cp);
        }
    }
    out.resize(static_cast<size_t>(write - out.data()));
    return out;
}

// ASCII, most of an HTML body, is written without the general encoder.
std::string Utf16ToUtf8(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size() * 3);
    size_t i = 0;
    while (i < utf16.size()) {
        size_t run = i;
        while (run < utf16.size() && utf16[run] < 0x80)
            ++run;
        if (run > i) {
            size_t at = out.size();
            out.resize(at + (run - i));
            std::copy(utf16.begin() + static_cast<ptrdiff_t>(i),
                      utf16.begin() + static_cast<ptrdiff_t>(run),
                      out.begin() + static_cast<ptrdiff_t>(at));
            i = run;
            continue;
        }
        char32_t cp = utf16[i];
        bool high = cp >= 0xD800 && cp < 0xDC00;
        if (high && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
        ++i;
    }
    return out;
}

} // namespace vellum::text
