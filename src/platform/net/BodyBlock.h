// One contiguous block of memory for a request body. Bodies can be as large
// as the files they carry, so the block is taken from the system in large
// pages where it allows: filling tens of megabytes page by page otherwise
// costs more than sending them.
#pragma once

#include <cstddef>

namespace vellum::net {

class BodyBlock
{
public:
    BodyBlock() = default;
    ~BodyBlock();
    BodyBlock(const BodyBlock&) = delete;
    BodyBlock& operator=(const BodyBlock&) = delete;

    // Frees any earlier block and takes one of `size` bytes (contents
    // undefined); false when there is no memory.
    [[nodiscard]] bool Allocate(size_t size);
    void Free();

    char* Data() const { return m_data; }

private:
    char* m_data = nullptr;
    size_t m_size = 0;
};

} // namespace vellum::net
