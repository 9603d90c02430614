// A request body that the HTTP client reads piece by piece while it sends,
// so that a body as large as the file it carries is never held in memory
// at once. The length is known before the first byte goes out, since the
// head announces it; a source that cannot deliver exactly that many bytes
// stops the request instead, and the server never sees a complete body.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class BodySource
{
public:
    virtual ~BodySource() = default;

    // The body's length in bytes, as the head announces it.
    virtual int64_t Length() const = 0;

    // Copies the next bytes into `buffer`: their count (at most `size`), or
    // -1 when the body cannot go on as announced (FailureText says why).
    [[nodiscard]] virtual int64_t ReadNext(char* buffer, size_t size) = 0;

    // Why the body stopped, in words for the person (host code page).
    virtual std::string FailureText() const = 0;
};
