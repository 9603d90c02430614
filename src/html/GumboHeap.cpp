// Each block is preceded by an 8-byte header naming its chunk and its size
// class; a large block (over 512 bytes: the children array of a long body,
// a long text) comes from malloc and is marked as such. A free block's first
// word links it into the free list of its class.
#include "html/GumboHeap.h"

#include "html/ChunkPool.h"

#include <cstdlib>
#include <new>

namespace vellum::html {

namespace {

constexpr std::uint32_t kLargeBlock = 0xFFFFFFFF;

struct BlockHeader
{
    std::uint32_t chunk;
    std::uint32_t sizeClass;
};
static_assert(sizeof(BlockHeader) == 8);

BlockHeader& HeaderOf(void* block)
{
    return *reinterpret_cast<BlockHeader*>(static_cast<char*>(block) - sizeof(BlockHeader));
}

void* HeapAllocate(void* heap, std::size_t size)
{
    return static_cast<GumboHeap*>(heap)->Allocate(size);
}

void HeapFree(void* heap, void* block)
{
    static_cast<GumboHeap*>(heap)->Free(block);
}

} // namespace

GumboHeap::~GumboHeap()
{
    for (Chunk& chunk : chunks_)
        if (chunk.base)
            PassOnChunk(chunk.base);
    for (void* block : large_)
        std::free(&HeaderOf(block));
}

void GumboHeap::Install(GumboOptions& options)
{
    options.allocator = HeapAllocate;
    options.deallocator = HeapFree;
    options.userdata = this;
}

void* GumboHeap::Allocate(std::size_t size)
{
    const std::size_t sizeClass = size == 0 ? 1 : (size + 7) / 8;
    if (sizeClass > kClassCount)
        return AllocateLarge(size);
    void* block = draining_ ? nullptr : freeLists_[sizeClass];
    std::uint32_t chunkIndex = 0;
    if (block) {
        freeLists_[sizeClass] = *static_cast<void**>(block);
        chunkIndex = HeaderOf(block).chunk;
    } else {
        block = Carve(sizeof(BlockHeader) + sizeClass * 8, chunkIndex) + sizeof(BlockHeader);
        HeaderOf(block) = {chunkIndex, static_cast<std::uint32_t>(sizeClass)};
    }
    ++chunks_[chunkIndex].live;
    return block;
}

void* GumboHeap::AllocateLarge(std::size_t size)
{
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (!header)
        throw std::bad_alloc();
    *header = {kLargeBlock, 0};
    void* block = header + 1;
    large_.insert(block);
    return block;
}

char* GumboHeap::Carve(std::size_t bytes, std::uint32_t& chunkIndex)
{
    if (chunks_.empty() || chunks_.back().used + bytes > kChunkBytes || !chunks_.back().base)
        chunks_.push_back({TakeChunk(), 0, 0});
    Chunk& chunk = chunks_.back();
    chunkIndex = static_cast<std::uint32_t>(chunks_.size() - 1);
    char* at = chunk.base + chunk.used;
    chunk.used += bytes;
    return at;
}

void GumboHeap::Free(void* block)
{
    if (!block)
        return;
    BlockHeader& header = HeaderOf(block);
    if (header.chunk == kLargeBlock) {
        large_.erase(block);
        std::free(&header);
        return;
    }
    Chunk& chunk = chunks_[header.chunk];
    --chunk.live;
    if (draining_) {
        if (chunk.live == 0)
            Release(chunk);
        return;
    }
    *static_cast<void**>(block) = freeLists_[header.sizeClass];
    freeLists_[header.sizeClass] = block;
}

void GumboHeap::Drain()
{
    draining_ = true;
    freeLists_.fill(nullptr);
    for (Chunk& chunk : chunks_)
        if (chunk.live == 0)
            Release(chunk);
}

void GumboHeap::Release(Chunk& chunk)
{
    if (!chunk.base)
        return;
    PassOnChunk(chunk.base);
    chunk.base = nullptr;
}

} // namespace vellum::html
