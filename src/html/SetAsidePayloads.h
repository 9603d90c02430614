// The long base64 payloads of data URLs, set aside while gumbo parses a body
// and put back into the tree it built. A mail carries its pictures as data
// URLs, megabytes of base64 each, which gumbo would otherwise copy character
// by character through its tokenizer (most of the time a body of pictures
// takes to open). Base64 passes through the parser unchanged wherever it
// stands (it holds no '&', '<', quote or NUL), so cutting a payload out and
// putting it back where its marker ended up gives the very tree a parse of
// the whole text would have.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vellum::html {

class SetAsidePayloads
{
public:
    // Payloads shorter than this stay where they are.
    static constexpr std::size_t kShortest = 4096;

    // Replaces every payload of at least kShortest characters that follows
    // ";base64," and ends at a quote with a marker.
    void SetAside(std::string& html);

    // `utf8` (a text or an attribute value of the parse tree) as UTF-16,
    // with the payloads its markers name put back.
    std::u16string Restore(std::string_view utf8) const;

private:
    struct Payload
    {
        std::size_t start;
        std::size_t length;
    };

    std::string source_; // the text as it came, payloads and all
    std::vector<Payload> payloads_;
};

} // namespace vellum::html
