// Chunks are allocated uninitialised; a node larger than a chunk's share
// (none is: the largest is an element of about 120 bytes) would get a chunk
// of its own.
#include "platform/html/NodeArena.h"

#include "platform/html/Node.h"

#include <algorithm>

namespace vellum::html {

namespace {

constexpr std::size_t kChunkBytes = std::size_t{1} << 18;

std::size_t RoundUp(std::size_t value, std::size_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

} // namespace

NodeArena::~NodeArena()
{
    Clear();
}

void* NodeArena::Allocate(std::size_t bytes, std::size_t alignment)
{
    std::size_t start = RoundUp(used_, alignment);
    if (chunks_.empty() || start + bytes > kChunkBytes) {
        chunks_.push_back(
            std::make_unique_for_overwrite<std::byte[]>(std::max(bytes, kChunkBytes)));
        start = 0;
    }
    used_ = start + bytes;
    return chunks_.back().get() + start;
}

void NodeArena::Clear()
{
    for (auto node = nodes_.rbegin(); node != nodes_.rend(); ++node)
        (*node)->~Node();
    nodes_.clear();
    chunks_.clear();
    used_ = 0;
}

} // namespace vellum::html
