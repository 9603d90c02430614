// The chunks are those of ChunkPool, shared with gumbo's heap. No node
// comes near a chunk's size (the largest, an element, is about 120 bytes).
#include "html/NodeArena.h"

#include "html/ChunkPool.h"
#include "html/Node.h"

#include <new>

namespace vellum::html {

namespace {

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
    if (bytes > kChunkBytes)
        throw std::bad_alloc();
    if (chunks_.empty() || start + bytes > kChunkBytes) {
        chunks_.push_back(TakeChunk());
        start = 0;
    }
    used_ = start + bytes;
    return chunks_.back() + start;
}

void NodeArena::Clear()
{
    for (auto node = nodes_.rbegin(); node != nodes_.rend(); ++node)
        (*node)->~Node();
    nodes_.clear();
    for (char* chunk : chunks_)
        GiveBackChunk(chunk);
    chunks_.clear();
    used_ = 0;
}

} // namespace vellum::html
