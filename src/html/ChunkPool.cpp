// Documents may load on more than one thread, so the kept chunks are
// guarded by a mutex; it is taken once per chunk, not per allocation.
#include "html/ChunkPool.h"

#include <malloc.h>
#include <mutex>
#include <new>
#include <sys/mman.h>
#include <vector>

namespace vellum::html {

namespace {

// 64 MB: the nodes and the parse of a 1 MiB ordinary mail.
constexpr std::size_t kMaxKeptChunks = 256;
// One chunk at a time passes from gumbo's tree to a document's arena: any
// more would wait there unused and add to the load's peak.
constexpr std::size_t kMaxPassedChunks = 1;

struct KeptChunks
{
    std::mutex mutex;
    std::vector<char*> chunks;
};

// Never destroyed: a document that dies after static destruction has begun
// still gives its chunks back here.
KeptChunks& Kept()
{
    static auto* kept = new KeptChunks;
    return *kept;
}

void Keep(char* chunk, std::size_t bound)
{
    {
        KeptChunks& kept = Kept();
        std::lock_guard lock(kept.mutex);
        if (kept.chunks.size() < bound) {
            kept.chunks.push_back(chunk);
            return;
        }
    }
    munmap(chunk, kChunkBytes);
}

} // namespace

char* TakeChunk()
{
    {
        KeptChunks& kept = Kept();
        std::lock_guard lock(kept.mutex);
        if (!kept.chunks.empty()) {
            char* chunk = kept.chunks.back();
            kept.chunks.pop_back();
            return chunk;
        }
    }
    void* chunk =
        mmap(nullptr, kChunkBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (chunk == MAP_FAILED)
        throw std::bad_alloc();
    return static_cast<char*>(chunk);
}

// A kept chunk's pages stay mapped while memory is plentiful; under memory
// pressure the kernel may take them (the next use then faults them in
// zeroed), so a desk that read one big mail does not hold its 64 MB for good.
void GiveBackChunk(char* chunk)
{
    madvise(chunk, kChunkBytes, MADV_FREE);
    Keep(chunk, kMaxKeptChunks);
}

void PassOnChunk(char* chunk)
{
    Keep(chunk, kMaxPassedChunks);
}

void ReleaseFreedMemory()
{
    std::vector<char*> chunks;
    {
        KeptChunks& kept = Kept();
        std::lock_guard lock(kept.mutex);
        chunks.swap(kept.chunks);
    }
    for (char* chunk : chunks)
        munmap(chunk, kChunkBytes);
    malloc_trim(0);
}

} // namespace vellum::html
