// The large blocks of memory a parse and a document are carved from.
//
// Gumbo's heap and a document's node arena both work in chunks of one size
// straight from mmap. The chunks of a freed document are kept here, up to a
// bound, and handed to the next that asks: the next load finds its memory
// already mapped instead of faulting every page in anew. Beyond the bound a
// chunk goes back to the system at once. While a document is being built,
// the chunks gumbo's tree leaves pass on to its node arena one at a time:
// gumbo frees faster than the arena fills, and a store of them would only
// add to the load's peak.
#pragma once

#include <cstddef>

namespace vellum::html {

inline constexpr std::size_t kChunkBytes = std::size_t{1} << 18;

// A chunk of kChunkBytes, kept or freshly mapped; throws std::bad_alloc
// when there is no memory.
char* TakeChunk();
// Hands back a chunk TakeChunk gave, to be kept if there is room.
void GiveBackChunk(char* chunk);
// Hands back a chunk TakeChunk gave, to be kept only while a few are.
void PassOnChunk(char* chunk);

// Gives the kept chunks and the C heap's free pages back to the system. A
// window that showed a big document calls it once the document is gone:
// the chunks kept for a next load, and the pages the heap keeps for reuse,
// would otherwise stay with the process, hundreds of megabytes after a big
// formatting-heavy mail.
void ReleaseFreedMemory();

} // namespace vellum::html
