// A marker is "#vellum-payload-N#": '#' is no base64 character, so no
// payload can run into one. A body that spells a marker itself gets one of
// its own pictures again there, nothing from outside the body.
#include "html/SetAsidePayloads.h"

#include "platform/text/CodePage.h"

#include <algorithm>

namespace vellum::html {

namespace {

constexpr std::string_view kIntroducer = ";base64,";
constexpr std::string_view kMarkerStart = "#vellum-payload-";

bool IsBase64(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/' || c == '=';
}

} // namespace

void SetAsidePayloads::SetAside(std::string& html)
{
    std::string kept;
    std::size_t copied = 0;
    std::size_t at = html.find(kIntroducer);
    while (at != std::string::npos) {
        const std::size_t start = at + kIntroducer.size();
        std::size_t end = start;
        while (end < html.size() && IsBase64(html[end]))
            ++end;
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
        out.append(payload.begin(), payload.end());
        done = close + 1;
        at = close;
    }
    out += text::Utf8ToUtf16(utf8.substr(done));
    return out;
}

} // namespace vellum::html
