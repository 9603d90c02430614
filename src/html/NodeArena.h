// The memory a document's nodes live in.
//
// A document never frees a node before it frees them all (a removed node
// only leaves the tree, undo can put it back), so nodes are carved one after
// another from large chunks instead of each coming from malloc: a 3 MB body
// of formatting elements makes close to two million of them, and a malloc
// call and header each add up to a good share of the load's time and memory.
#pragma once

#include <cstddef>
#include <vector>

namespace vellum::html {

class Node;

class NodeArena
{
public:
    NodeArena() = default;
    ~NodeArena();
    NodeArena(const NodeArena&) = delete;
    NodeArena& operator=(const NodeArena&) = delete;

    // Room for one node; the caller constructs it there and hands it to Keep.
    void* Allocate(std::size_t bytes, std::size_t alignment);
    void Keep(Node* node) { nodes_.push_back(node); }
    // Destroys every node kept, newest first, and gives the memory back.
    void Clear();

private:
    std::vector<char*> chunks_; // from ChunkPool
    std::size_t used_ = 0;      // of the last chunk
    std::vector<Node*> nodes_;
};

} // namespace vellum::html
