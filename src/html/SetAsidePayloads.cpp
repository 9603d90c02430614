// A marker is "#vellum-payload-N#": '#' is no base64 character, so no
// payload can run into one. A body that spells a marker itself gets one of
// its own pictures again there, nothing from outside the body.
#include "html/SetAsidePayloads.h"

#include "html/Base64Digits.h"
#include "platform/text/CodePage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace vellum::html {

namespace {

constexpr std::string_view kIntroducer = ";base64,";
constexpr std::string_view kMarkerStart = "#vellum-payload-";

// Sixteen bytes side by side (GCC and Clang vector extensions, plain SSE2
// on x86-64): each lane of a comparison is all ones where it holds.
using Lanes = signed char __attribute__((vector_size(16)));

// True when all sixteen bytes at `text` are base64 digits. Bytes from 0x80
// up are negative here and so fall outside every range.
bool SixteenDigits(const char* text)
{
    Lanes c;
    std::memcpy(&c, text, sizeof c);
    const Lanes digit = ((c >= 'A') & (c <= 'Z')) | ((c >= 'a') & (c <= 'z')) |
                        ((c >= '0') & (c <= '9')) | (c == '+') | (c == '/');
    std::uint64_t low, high;
    std::memcpy(&low, &digit, sizeof low);
    std::memcpy(&high, reinterpret_cast<const char*>(&digit) + sizeof low, sizeof high);
    return (low & high) == ~std::uint64_t{0};
}

// Where the run of base64 digits (and padding) that starts at `at` ends: a
// body's payloads are tens of megabytes, looked at sixteen bytes at a time
// until a group holds something else.
std::size_t Base64RunEnd(std::string_view text, std::size_t at)
{
    while (at + 16 <= text.size() && SixteenDigits(text.data() + at))
        at += 16;
    while (at < text.size() && (Base64Value(text[at]) >= 0 || text[at] == '='))
        ++at;
    return at;
}

// Sixteen bytes and the same widened to UTF-16 code units.
using Bytes = unsigned char __attribute__((vector_size(16)));
using Units = unsigned short __attribute__((vector_size(32)));

// Appends ASCII `text` to `out`, widened sixteen bytes at a time into a
// block on the stack, appended a block at a time.
void AppendWidened(std::u16string& out, std::string_view text)
{
    char16_t block[4096];
    for (std::size_t done = 0; done < text.size(); done += std::size(block)) {
        const std::size_t count = std::min(std::size(block), text.size() - done);
        const char* from = text.data() + done;
        std::size_t i = 0;
        for (; i + 16 <= count; i += 16) {
            Bytes bytes;
            std::memcpy(&bytes, from + i, sizeof bytes);
            const Units units = __builtin_convertvector(bytes, Units);
            std::memcpy(block + i, &units, sizeof units);
        }
        for (; i < count; ++i)
            block[i] = static_cast<unsigned char>(from[i]);
        out.append(block, count);
    }
}

} // namespace

void SetAsidePayloads::SetAside(std::string& html)
{
    std::string kept;
    std::size_t copied = 0;
    std::size_t at = html.find(kIntroducer);
    while (at != std::string::npos) {
        const std::size_t start = at + kIntroducer.size();
        const std::size_t end = Base64RunEnd(html, start);
        if (end - start >= kShortest && end < html.size() &&
            (html[end] == '"' || html[end] == '\'')) {
            if (kept.empty())
                kept.reserve(html.size() / 8);
            kept.append(html, copied, start - copied);
            kept.append(kMarkerStart).append(std::to_string(payloads_.size())).append("#");
            payloads_.push_back({start, end - start});
            copied = end;
        }
        at = html.find(kIntroducer, std::max(end, start));
    }
    if (payloads_.empty())
        return;
    kept.append(html, copied);
    // The payloads stay where they are, in the text as it came.
    source_ = std::move(html);
    html = std::move(kept);
}

std::u16string SetAsidePayloads::Restore(std::string_view utf8) const
{
    if (payloads_.empty() || utf8.find(kMarkerStart) == std::string_view::npos)
        return text::Utf8ToUtf16(utf8);
    std::u16string out;
    std::size_t done = 0;
    for (std::size_t at = utf8.find(kMarkerStart); at != std::string_view::npos;
         at = utf8.find(kMarkerStart, at + 1)) {
        const std::size_t digits = at + kMarkerStart.size();
        const std::size_t close = utf8.find('#', digits);
        if (close == std::string_view::npos || close == digits || close - digits > 9)
            continue;
        std::size_t index = 0;
        bool number = true;
        for (std::size_t i = digits; i < close; ++i) {
            number = number && utf8[i] >= '0' && utf8[i] <= '9';
            index = index * 10 + static_cast<std::size_t>(utf8[i] - '0');
        }
        if (!number || index >= payloads_.size())
            continue;
        const std::string_view payload =
            std::string_view(source_).substr(payloads_[index].start, payloads_[index].length);
        // Room for the payload and the rest at once: growing by doubling
        // would touch fresh memory twice over, most of what a payload costs.
        out.reserve(out.size() + (at - done) + payload.size() + (utf8.size() - close));
        out += text::Utf8ToUtf16(utf8.substr(done, at - done));
        AppendWidened(out, payload);
        done = close + 1;
        at = close;
    }
    out += text::Utf8ToUtf16(utf8.substr(done));
    return out;
}

} // namespace vellum::html
