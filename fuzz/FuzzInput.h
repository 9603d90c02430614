// What every fuzz target shares: reading the input as a stream of choices
// and texts, a scratch folder for targets that need files, and the check
// that ends a run when a property of the code does not hold.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace vellum::fuzz {

class FuzzInput
{
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return pos_ >= size_; }
    unsigned Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    // A text of up to `limit` bytes: a length byte, then that many bytes.
    std::string Text(std::size_t limit = 255)
    {
        std::size_t length = std::min<std::size_t>({Byte(), limit, size_ - pos_});
        std::string text(reinterpret_cast<const char*>(data_ + pos_), length);
        pos_ += length;
        return text;
    }
    // Everything not read yet.
    std::string Rest()
    {
        std::string text(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
        pos_ = size_;
        return text;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A folder of this process under the temporary folder, made on first use;
// VELLUM_HOME and TMPDIR point into it so no target touches real files.
const std::string& ScratchFolder();

// Stops the run with a message libFuzzer keeps next to the crashing input.
[[noreturn]] inline void Fail(const char* what)
{
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

inline void Check(bool holds, const char* what)
{
    if (!holds)
        Fail(what);
}

} // namespace vellum::fuzz
