// The value of each base64 digit, looked up in a table: a mail's pictures
// are megabytes of base64, scanned when a body is parsed and decoded when a
// picture is shown, and a chain of range tests per character was most of
// what both cost.
#pragma once

#include <array>

namespace vellum::html {

namespace detail {

constexpr std::array<signed char, 256> MakeBase64Values()
{
    std::array<signed char, 256> values{};
    values.fill(-1);
    constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        values[static_cast<unsigned char>(kDigits[i])] = static_cast<signed char>(i);
    return values;
}

inline constexpr std::array<signed char, 256> kBase64Values = MakeBase64Values();

} // namespace detail

// 0 to 63 for a base64 digit, -1 for anything else (the padding '=' too).
constexpr int Base64Value(char c)
{
    return detail::kBase64Values[static_cast<unsigned char>(c)];
}

constexpr int Base64Value(char16_t c)
{
    return c < detail::kBase64Values.size() ? detail::kBase64Values[c] : -1;
}

} // namespace vellum::html
