// The memory one gumbo parse lives in.
//
// Gumbo makes many small allocations (a node, its children's array, each
// attribute and its two strings) and frees as many again while it parses.
// Here they are blocks of a few size classes carved from large chunks, so an
// allocation or a free is a list push or pop instead of a trip through
// malloc, and no walk over gumbo's tree is needed to destroy it: the heap
// goes with everything in it.
//
// The tree builder hands each gumbo node back as soon as it has copied it.
// Once the parse is over (Drain), a handed-back block is no longer reused,
// and a chunk whose blocks are all back is passed on at once (ChunkPool) to
// the document's node arena or to the system, so a load peaks near the size
// of gumbo's tree instead of gumbo's tree plus the document.
#pragma once

#include <gumbo.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

namespace vellum::html {

class GumboHeap
{
public:
    GumboHeap() = default;
    ~GumboHeap();
    GumboHeap(const GumboHeap&) = delete;
    GumboHeap& operator=(const GumboHeap&) = delete;

    // Makes a parse with these options allocate here.
    void Install(GumboOptions& options);

    void* Allocate(std::size_t size);
    void Free(void* block);
    // The parse is over: from now on a freed block is not reused, and a
    // chunk with nothing left in it is given back.
    void Drain();

private:
    struct Chunk
    {
        char* base = nullptr; // null once given back
        std::size_t used = 0;
        std::uint32_t live = 0; // blocks handed out and not yet freed
    };

    void* AllocateLarge(std::size_t size);
    char* Carve(std::size_t bytes, std::uint32_t& chunkIndex);
    void Release(Chunk& chunk);

    static constexpr std::size_t kClassCount = 64; // blocks up to 512 bytes, by 8
    std::vector<Chunk> chunks_;
    std::array<void*, kClassCount + 1> freeLists_{};
    std::unordered_set<void*> large_;
    bool draining_ = false;
};

} // namespace vellum::html
